#include <mutex>
#include <vector>

#include "orvane/tessor.h"
#include "tessor/audio_output.h"

namespace {

std::mutex listMutex;
std::vector<OutputDevice>& deviceList()
{
    static std::vector<OutputDevice> devices;
    return devices;
}

// Copies text into out (size bytes with the terminating zero), cut at a UTF-8 character boundary.
void copyName(const std::string& text, char* out, size_t size)
{
    size_t n = text.size() < size ? text.size() : size - 1;
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    text.copy(out, n);
    out[n] = '\0';
}

}  // namespace

extern "C" {

int32_t getDeviceCountWaveOut(void)
{
    try {
        std::vector<OutputDevice> devices = listOutputDevices();
        std::lock_guard<std::mutex> lock(listMutex);
        deviceList().swap(devices);
        return int32_t(deviceList().size());
    } catch (...) {
        return 0;
    }
}

int32_t getDeviceInfoWaveOut(int32_t position, TessorDevice* out)
{
    std::lock_guard<std::mutex> lock(listMutex);
    if (out == nullptr || position < 0 || size_t(position) >= deviceList().size())
        return 0;
    const OutputDevice& d = deviceList()[size_t(position)];
    out->device = d.index;
    out->isDefault = d.isDefault ? 1 : 0;
    copyName(d.name, out->name, sizeof out->name);
    return 1;
}

}  // extern "C"
