#include "tools/convert_batch.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>

#include "platform/process.h"
#include "tools/audio_file.h"
#include "tools/cli.h"

namespace {

// "12.345 s" of a converted file, or "" when it cannot be read back.
std::string lengthText(const std::string& wav)
{
    std::string error;
    const auto reader = openAudio(wav, error);
    if (reader == nullptr || reader->rate() == 0)
        return std::string();
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", double(reader->frames()) / reader->rate());
    return text;
}

}  // namespace

int convertBatch(const std::vector<std::string>& inputs, const std::string& dir, unsigned jobs,
                 const std::vector<std::string>& options)
{
    std::vector<std::string> outputs;
    std::set<std::string> names;
    for (const std::string& in : inputs) {
        const std::string name = std::filesystem::path(in).stem().string() + ".wav";
        if (!names.insert(name).second)
            return usageError("two inputs would both make '" + name + "' in " + dir);
        outputs.push_back((std::filesystem::path(dir) / name).string());
    }
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec || !std::filesystem::is_directory(dir))
        return failure("cannot make the folder '" + dir + "': " + ec.message());
    const std::string self = platform::executablePath();
    if (self.empty())
        return failure("cannot find this program's own file to run the conversions");

    std::atomic<size_t> next{0};
    std::atomic<size_t> failed{0};
    std::mutex printing;
    auto work = [&] {
        for (size_t i = next++; i < inputs.size(); i = next++) {
            std::vector<std::string> args{self, "-q", "convert", inputs[i], outputs[i]};
            args.insert(args.end(), options.begin(), options.end());
            const int status = platform::runProcess(args);
            const std::lock_guard<std::mutex> lock(printing);
            if (status == 0) {
                std::printf("%s -> %s: %s\n", inputs[i].c_str(), outputs[i].c_str(), lengthText(outputs[i]).c_str());
            } else {
                ++failed;
                std::printf("%s: failed%s\n", inputs[i].c_str(), status < 0 ? " (the conversion could not run)" : "");
            }
            std::fflush(stdout);
        }
    };
    std::vector<std::thread> workers;
    for (unsigned w = 1; w < std::min<size_t>(jobs, inputs.size()); ++w)
        workers.emplace_back(work);
    work();
    for (std::thread& t : workers)
        t.join();
    std::printf("%zu of %zu files converted, %zu failed\n", inputs.size() - failed, inputs.size(), failed.load());
    return failed > 0 ? 1 : 0;
}
