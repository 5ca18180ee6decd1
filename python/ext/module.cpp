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
        .def("stream_info", &StreamSource::streamInfo)
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
    m.def("effects", &effectList, "(name, arguments, summary) of every effect.");
    m.def("run_effects", &runEffects, py::arg("samples"), py::arg("rate"), py::arg("specs"),
          "Runs a (frames, channels) float32 array through effects; returns (array, rate).");
}
