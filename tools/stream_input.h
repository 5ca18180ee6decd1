#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Audio that is not a file the commands can seek in: standard input ("-") or an http:// or
// https:// stream. It is read once, front to back, through the library's callback exports.
class StreamInput {
public:
    virtual ~StreamInput() = default;
    // Up to bytes bytes into buffer, waiting for them: the count, 0 at the end, -1 on failure.
    virtual int64_t read(void* buffer, int64_t bytes) = 0;
    // The titles the stream has announced for the audio read so far, in order, after the first
    // `seen` of them (seen then counts these too). A title announced ahead of its audio waits
    // until that audio is read.
    virtual std::vector<std::string> titlesSince(size_t& seen) const
    {
        (void)seen;
        return {};
    }
    // The station's name ("" when the stream gives none).
    virtual std::string name() const { return std::string(); }
    // Why the stream failed; "" while it has not.
    virtual std::string error() const { return std::string(); }
    // Ends the stream from any thread: reads give 0 from now on, a waiting one at once.
    virtual void abort() { }

    // The library's read callback on a StreamInput context.
    static int64_t readCallback(void* context, void* buffer, int64_t bytes)
    {
        return static_cast<StreamInput*>(context)->read(buffer, bytes);
    }
};

// Reads and drops bytes bytes of input (leading data before the audio); false when it ends first.
bool skipBytes(StreamInput& input, int64_t bytes);

// True for the names a StreamInput reads: "-", http://... and https://...
bool isStreamName(const std::string& name);
// True for http:// and https:// names.
bool isUrl(const std::string& name);
// How a message names the stream: "standard input" or the URL in quotes.
std::string streamLabel(const std::string& name);

// The stream named; null with the reason in error.
std::unique_ptr<StreamInput> openStreamInput(const std::string& name, std::string& error);

// An http:// or https:// stream fetched on a thread of its own (see http_stream_*.cpp); null with
// the reason in error, also when this build has no HTTP client.
std::unique_ptr<StreamInput> openHttpStream(const std::string& url, std::string& error);
