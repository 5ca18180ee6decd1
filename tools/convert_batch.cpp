#include "tools/convert_batch.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>

#include "tools/cli.h"
#include "tools/format_change.h"

int convertBatch(const std::vector<std::string>& inputs, const std::string& dir, unsigned jobs,
                 const ConvertSettings& settings)
{
    std::vector<std::string> outputs;
    std::set<std::string> names;
    for (const std::string& in : inputs) {
        const std::string name = std::filesystem::path(in).stem().string() + (settings.raw ? ".raw" : ".wav");
        if (!names.insert(name).second)
            return usageError("two inputs would both make '" + name + "' in " + dir);
        outputs.push_back((std::filesystem::path(dir) / name).string());
    }
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec || !std::filesystem::is_directory(dir))
        return failure("cannot make the folder '" + dir + "': " + ec.message());
    std::atomic<size_t> next{0};
    std::atomic<size_t> failed{0};
    std::mutex printing;
    auto work = [&] {
        for (size_t i = next++; i < inputs.size(); i = next++) {
            const ConvertResult r = convertFile(inputs[i], outputs[i], settings, nullptr);
            const std::lock_guard<std::mutex> lock(printing);
            if (r.ok) {
                std::printf("%s -> %s: %.3f s\n", inputs[i].c_str(), outputs[i].c_str(), double(r.frames) / r.rate);
                if (r.formatChanges != 0)
                    note(formatChangeNotice(inputs[i], r.formatChanges, r.sourceRate, r.sourceChannels));
            } else {
                ++failed;
                std::printf("%s: failed: %s\n", inputs[i].c_str(), r.error.c_str());
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
