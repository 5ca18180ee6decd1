#include "tools/curl_api.h"

#include "platform/platform.h"

namespace {

template<typename F> bool bind(void* library, const char* name, F& function)
{
    function = reinterpret_cast<F>(platform::librarySymbol(library, name));
    return function != nullptr;
}

// Loads and sets up libcurl; an empty reason when it is ready.
std::string loadCurl(CurlApi& api)
{
    void* library = platform::loadLibrary("libcurl.so.4");
    if (library == nullptr)
        return "libcurl (libcurl.so.4) cannot be loaded, so URLs cannot be played";
    if (!bind(library, "curl_global_init", api.globalInit) || !bind(library, "curl_easy_init", api.easyInit)
        || !bind(library, "curl_easy_setopt", api.easySetopt) || !bind(library, "curl_easy_perform", api.easyPerform)
        || !bind(library, "curl_easy_cleanup", api.easyCleanup)
        || !bind(library, "curl_easy_strerror", api.easyStrerror)
        || !bind(library, "curl_slist_append", api.slistAppend)
        || !bind(library, "curl_slist_free_all", api.slistFreeAll))
        return "the libcurl found lacks a call the tool needs";
    if (api.globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK)
        return "libcurl cannot start";
    return std::string();
}

}  // namespace

const CurlApi* curlApi(std::string& error)
{
    static CurlApi api{};
    static const std::string failure = loadCurl(api);
    if (!failure.empty()) {
        error = failure;
        return nullptr;
    }
    return &api;
}
