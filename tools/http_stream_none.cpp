#include "tools/stream_input.h"

// This build has no HTTP client (libcurl was not found when it was configured).
std::unique_ptr<StreamInput> openHttpStream(const std::string& url, std::string& error)
{
    error = "this build of orvane cannot play URLs (it was built without libcurl): cannot open '" + url + "'";
    return nullptr;
}
