#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "orvane/version.h"
#include "tools/byte_pipe.h"
#include "tools/curl_api.h"
#include "tools/icy_metadata.h"
#include "tools/stream_input.h"

namespace {

// About 16 s of a 128 kbit/s stream: room for the network's hiccups, little delay when it starts.
constexpr size_t kPipeBytes = 256 * 1024;
// Held before the first byte is handed out: the decoder reads 64 KB at a time, so with this
// much ahead a read waits for nothing while the network keeps pace.
constexpr size_t kStartBytes = 128 * 1024;
constexpr long kConnectSeconds = 15;
// A connection that brings less than a byte a second for this long is taken as dropped.
constexpr long kStallSeconds = 30;
// A connection that has run this long has earned a fresh reconnection.
constexpr auto kSteadyRun = std::chrono::seconds(60);
constexpr auto kReconnectPause = std::chrono::milliseconds(500);

// Content types that are certainly not MPEG audio (a station's AAC or Ogg stream, a web page).
bool foreignType(const std::string& type)
{
    std::string t;
    for (const char c : type.substr(0, type.find(';')))
        t += char(c | 0x20);
    for (const char* other : {"audio/aac", "audio/aacp", "audio/ogg", "application/ogg", "audio/flac", "audio/opus",
                              "text/html", "audio/mp4", "audio/x-m4a"})
        if (t == other)
            return true;
    return false;
}

bool headerIs(const std::string& line, const char* name, std::string& value)
{
    const size_t n = std::strlen(name);
    if (line.size() <= n || line[n] != ':')
        return false;
    for (size_t i = 0; i < n; ++i)
        if ((line[i] | 0x20) != name[i])
            return false;
    const size_t from = line.find_first_not_of(" \t", n + 1);
    const size_t to = line.find_last_not_of(" \t\r\n");
    value = from == std::string::npos || to < from ? std::string() : line.substr(from, to - from + 1);
    return true;
}

// An http(s) stream fetched by libcurl on a thread of its own into a bounded pipe; ICY metadata
// is asked for and taken out of the audio. A connection that fails or drops is made again once
// (resuming a file where it broke off); a second failure ends the stream with the reasons.
class HttpStream : public StreamInput {
public:
    explicit HttpStream(const std::string& url) : url_(url), thread_([this] { run(); }) { }
    ~HttpStream() override
    {
        abort();
        thread_.join();
    }
    // Called from one thread, the one that decodes.
    int64_t read(void* buffer, int64_t bytes) override
    {
        if (!started_) {
            pipe_.waitFor(kStartBytes);
            started_ = true;
        }
        const int64_t n = bytes <= 0 ? 0 : pipe_.read(static_cast<uint8_t*>(buffer), size_t(bytes));
        if (n > 0)
            readBytes_.fetch_add(uint64_t(n));
        return n;
    }
    std::vector<std::string> titlesSince(size_t& seen) const override
    {
        std::vector<std::string> titles;
        std::lock_guard<std::mutex> lock(mutex_);
        for (; seen < titles_.size() && titles_[seen].first <= readBytes_.load(); ++seen)
            titles.push_back(titles_[seen].second);
        return titles;
    }
    std::string name() const override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return name_;
    }
    std::string error() const override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return error_;
    }
    void abort() override
    {
        stop_.store(true);
        pipe_.abort();
    }

private:
    void run();
    // One connection; true when its body ended as the server meant it to, else the reason.
    bool fetch(std::string& reason);
    void startBody();
    size_t body(const char* data, size_t size);
    void header(const std::string& line);

    static size_t onBody(char* data, size_t size, size_t count, void* self)
    {
        return static_cast<HttpStream*>(self)->body(data, size * count);
    }
    static size_t onHeader(char* data, size_t size, size_t count, void* self)
    {
        static_cast<HttpStream*>(self)->header(std::string(data, size * count));
        return size * count;
    }
    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
    {
        return static_cast<HttpStream*>(self)->stop_.load() ? 1 : 0;
    }

    const std::string url_;
    BytePipe pipe_{kPipeBytes};
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;  // guards what other threads read: titles, name, error
    // Each title with the audio bytes before it, and the audio bytes read from the pipe.
    std::vector<std::pair<uint64_t, std::string>> titles_;
    std::atomic<uint64_t> readBytes_{0};
    bool started_ = false;  // the reading thread's: the start has been held back
    std::string name_, error_;

    // The fetching thread's own: the stream so far and the response being read.
    uint64_t delivered_ = 0;   // body bytes handed on, over every connection
    uint64_t audioBytes_ = 0;  // audio bytes handed on
    bool resumable_ = false;   // a file of known length without metadata: a reconnection resumes it
    uint64_t resumeAt_ = 0;    // what this connection asked to skip
    uint64_t skip_ = 0;        // bytes still to drop because the server sent the body from its start
    bool bodyStarted_ = false;
    long status_ = 0;
    uint32_t metaint_ = 0;
    int64_t length_ = -1;
    std::string type_;
    std::string foreign_;  // the content type of a body that is not MPEG audio
    IcyDemuxer icy_;
    std::vector<uint8_t> audio_;
    std::vector<IcyDemuxer::Block> blocks_;
    std::thread thread_;
};

void HttpStream::run()
{
    bool mayRetry = true;
    std::string first;
    for (;;) {
        const auto began = std::chrono::steady_clock::now();
        std::string reason;
        if (fetch(reason) || stop_.load()) {
            pipe_.finish(false);
            return;
        }
        if (!foreign_.empty()) {
            std::lock_guard<std::mutex> lock(mutex_);
            error_ = "'" + url_ + "' sends " + foreign_ + ", not MPEG audio";
            break;
        }
        if (std::chrono::steady_clock::now() - began >= kSteadyRun)
            mayRetry = true;
        if (!mayRetry) {
            std::lock_guard<std::mutex> lock(mutex_);
            error_ = (delivered_ > 0 ? "the stream from '" + url_ + "' broke off (" : "cannot reach '" + url_ + "' (")
                + first + "), and again when reconnecting (" + reason + ")";
            break;
        }
        mayRetry = false;
        first = reason;
        const auto resume = std::chrono::steady_clock::now() + kReconnectPause;
        while (!stop_.load() && std::chrono::steady_clock::now() < resume)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pipe_.finish(true);
}

bool HttpStream::fetch(std::string& reason)
{
    const CurlApi* api = curlApi(reason);
    if (api == nullptr)
        return false;
    CURL* curl = api->easyInit();
    if (curl == nullptr)
        return reason = "libcurl cannot start", false;
    char message[CURL_ERROR_SIZE] = {};
    const std::string agent = "orvane/" + std::to_string(ORVANE_VERSION_MAJOR) + "."
        + std::to_string(ORVANE_VERSION_MINOR) + "." + std::to_string(ORVANE_VERSION_PATCH);
    curl_slist* headers = api->slistAppend(nullptr, "Icy-MetaData: 1");
    resumeAt_ = resumable_ ? delivered_ : 0;
    const std::string range = std::to_string(resumeAt_) + "-";
    bodyStarted_ = false;
    status_ = 0;
    api->easySetopt(curl, CURLOPT_URL, url_.c_str());
    // Only the web's two schemes, redirections included.
#if LIBCURL_VERSION_NUM >= 0x075500
    api->easySetopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    api->easySetopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
#else
    api->easySetopt(curl, CURLOPT_PROTOCOLS, long(CURLPROTO_HTTP | CURLPROTO_HTTPS));
    api->easySetopt(curl, CURLOPT_REDIR_PROTOCOLS, long(CURLPROTO_HTTP | CURLPROTO_HTTPS));
#endif
    api->easySetopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    api->easySetopt(curl, CURLOPT_MAXREDIRS, 5L);
    api->easySetopt(curl, CURLOPT_HTTPHEADER, headers);
    api->easySetopt(curl, CURLOPT_USERAGENT, agent.c_str());
    api->easySetopt(curl, CURLOPT_FAILONERROR, 1L);
    api->easySetopt(curl, CURLOPT_NOSIGNAL, 1L);
    api->easySetopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
    api->easySetopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    api->easySetopt(curl, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
    api->easySetopt(curl, CURLOPT_ERRORBUFFER, message);
    api->easySetopt(curl, CURLOPT_WRITEFUNCTION, &HttpStream::onBody);
    api->easySetopt(curl, CURLOPT_WRITEDATA, this);
    api->easySetopt(curl, CURLOPT_HEADERFUNCTION, &HttpStream::onHeader);
    api->easySetopt(curl, CURLOPT_HEADERDATA, this);
    api->easySetopt(curl, CURLOPT_XFERINFOFUNCTION, &HttpStream::onProgress);
    api->easySetopt(curl, CURLOPT_XFERINFODATA, this);
    api->easySetopt(curl, CURLOPT_NOPROGRESS, 0L);
    if (resumeAt_ > 0)
        api->easySetopt(curl, CURLOPT_RANGE, range.c_str());
    const CURLcode code = api->easyPerform(curl);
    api->easyCleanup(curl);
    api->slistFreeAll(headers);
    if (code == CURLE_OK)
        return true;
    reason = message[0] != '\0' ? message : api->easyStrerror(code);
    return false;
}

void HttpStream::header(const std::string& line)
{
    std::string value;
    // Each response (a redirection's too) starts with its status line.
    if (line.rfind("HTTP/", 0) == 0 || line.rfind("ICY ", 0) == 0) {
        const size_t space = line.find(' ');
        status_ = std::strtol(line.c_str() + space + 1, nullptr, 10);
        metaint_ = 0;
        length_ = -1;
        type_.clear();
    } else if (headerIs(line, "icy-metaint", value)) {
        const long interval = std::strtol(value.c_str(), nullptr, 10);
        metaint_ = interval > 0 && interval <= 1 << 20 ? uint32_t(interval) : 0;
    } else if (headerIs(line, "content-type", value)) {
        type_ = value;
    } else if (headerIs(line, "content-length", value)) {
        length_ = std::strtoll(value.c_str(), nullptr, 10);
    } else if (headerIs(line, "icy-name", value)) {
        std::lock_guard<std::mutex> lock(mutex_);
        name_ = icyText(value);
    }
}

void HttpStream::startBody()
{
    bodyStarted_ = true;
    if (foreignType(type_))
        foreign_ = icyText(type_);
    icy_ = IcyDemuxer(metaint_);
    // A server that ignores the range sends the file from its start: what was handed on goes.
    skip_ = resumeAt_ > 0 && status_ != 206 ? resumeAt_ : 0;
    if (delivered_ == 0)
        resumable_ = metaint_ == 0 && length_ > 0;
}

size_t HttpStream::body(const char* data, size_t size)
{
    if (stop_.load())
        return 0;
    if (!bodyStarted_)
        startBody();
    if (!foreign_.empty())
        return 0;
    const size_t dropped = size_t(std::min<uint64_t>(skip_, size));
    skip_ -= dropped;
    audio_.clear();
    blocks_.clear();
    icy_.feed(reinterpret_cast<const uint8_t*>(data) + dropped, size - dropped, audio_, blocks_);
    // A title holds from the audio after its block on.
    for (const IcyDemuxer::Block& block : blocks_) {
        std::string title;
        std::lock_guard<std::mutex> lock(mutex_);
        if (icyStreamTitle(block.text, title) && (titles_.empty() || titles_.back().second != title))
            titles_.emplace_back(audioBytes_ + block.audioBefore, title);
    }
    if (!pipe_.write(audio_.data(), audio_.size()))
        return 0;
    audioBytes_ += audio_.size();
    delivered_ += size - dropped;
    return size;
}

}  // namespace

std::unique_ptr<StreamInput> openHttpStream(const std::string& url, std::string& error)
{
    if (curlApi(error) == nullptr)
        return nullptr;
    return std::make_unique<HttpStream>(url);
}
