#include "tessor/audio_output.h"
#include "tessor/real_time_pacer.h"

namespace {

class NullOutput : public AudioOutput {
public:
    explicit NullOutput(uint32_t rate) : pacer_(rate) { }
    void write(const float*, uint32_t frames) override { pacer_.advance(frames); }
    void restart() override { pacer_.restart(); }

private:
    RealTimePacer pacer_;
};

}  // namespace

std::unique_ptr<AudioOutput> openNullOutput(const OutputFormat& format)
{
    return std::make_unique<NullOutput>(format.rate);
}
