// The compiled half of the orvane package: decoder handles and the effect chain. The Python half
// (orvane/) turns sources, shapes and errors into the public interface.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "effect_error.h"
#include "effect_run.h"
#include "orvane/mp3.h"
#include "stream_source.h"
#include "tools/fx_effect.h"

namespace py = pybind11;

namespace {

// The library's scan of a file's frame headers, or None when it cannot read one.
py::object streamInfo(const std::string& path)
{
    OrvaneStreamInfo info{};
    int32_t done = 0;
    {
        py::gil_scoped_release unlocked;
        done = OrvaneGetStreamInfo(path.c_str(), 0, &info);
    }
    if (!done)
        return py::none();
    py::dict out;
    out["version"] = info.version;
    out["layer"] = info.layer;
    out["samplerate"] = info.sampleRate;
    out["channel_mode"] = info.channelMode;
    out["bitrate"] = info.firstBitrate;
    out["vbr"] = info.variableBitrate != 0;
    out["frames"] = info.frames;
    out["samples"] = info.samples;
    out["audio_bytes"] = info.audioBytes;
    out["vbr_tag"] = info.vbrTag;
    out["encoder_tag"] = info.encoderTag != 0;
    out["encoder_delay"] = info.encoderDelay;
    out["encoder_padding"] = info.encoderPadding;
    out["truncated"] = info.truncated != 0;
    return std::move(out);
}

// Every effect the grammar knows: name, arguments, summary.
py::list effectList()
{
    py::list out;
    for (const FxEffect& e : fxEffects())
        out.append(py::make_tuple(e.name, e.params, e.summary));
    return out;
}

template<typename Open, typename Arg> py::object openOrNone(Open open, Arg arg)
{
    std::unique_ptr<StreamSource> source = open(std::move(arg));
    if (source == nullptr)
        return py::none();
    return py::cast(std::move(source));
}

}  // namespace

PYBIND11_MODULE(_orvane, m)
{
    m.doc() = "Decoder handles and effect chains of the Orvane libraries.";
    py::register_exception<EffectFailure>(m, "EffectFailure");

    py::class_<StreamSource>(m, "StreamSource")
        .def("format", &StreamSource::format)
        .def("read", &StreamSource::read, py::arg("frames"), py::arg("int16"), py::arg("expected"))
        .def("seek", &StreamSource::seek)
        .def("tell", &StreamSource::tell)
        .def("tag", &StreamSource::tag)
        .def("replay_gain", &StreamSource::replayGain)
        .def("close", &StreamSource::close)
        .def_property_readonly("closed", &StreamSource::closed);

    m.def(
        "open_path", [](const std::string& path) { return openOrNone(&StreamSource::openPath, path); },
        "A source over the file at path, or None when the library cannot open it.");
    m.def(
        "open_buffer", [](py::object data) { return openOrNone(&StreamSource::openBuffer, std::move(data)); },
        "A source over a contiguous bytes-like object (held, not copied), or None.");
    m.def(
        "open_file", [](py::object file) { return openOrNone(&StreamSource::openFile, std::move(file)); },
        "A source over a seekable binary file object, or None.");
    m.def("stream_info", &streamInfo, "The frame-header scan of the file at path, or None.");
    m.def("effects", &effectList, "(name, arguments, summary) of every effect.");
    m.def("run_effects", &runEffects, py::arg("samples"), py::arg("rate"), py::arg("specs"),
          "Runs a (frames, channels) float32 array through effects; returns (array, rate).");
}
