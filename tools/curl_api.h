#pragma once

#include <curl/curl.h>

#include <string>

// The libcurl calls the tool makes, bound when the first URL is opened: linking libcurl would
// load it and the dozen libraries it draws in at every start of the tool, for every command.
struct CurlApi {
    CURLcode (*globalInit)(long flags);
    CURL* (*easyInit)();
    CURLcode (*easySetopt)(CURL* curl, CURLoption option, ...);
    CURLcode (*easyPerform)(CURL* curl);
    void (*easyCleanup)(CURL* curl);
    const char* (*easyStrerror)(CURLcode code);
    curl_slist* (*slistAppend)(curl_slist* list, const char* text);
    void (*slistFreeAll)(curl_slist* list);
};

// libcurl loaded and set up, once for the process; null with the reason when it cannot be.
const CurlApi* curlApi(std::string& error);
