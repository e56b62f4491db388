#pragma once

#include <curl/curl.h>

namespace headwise {

// The libcurl functions the fetcher calls, from the library opened on first
// use and started once (curl_global_init), on the thread that asks first. A
// run that fetches nothing, such as the audit of a folder, then never loads
// libcurl and the thirty libraries it needs: that load was a tenth of such a
// run. Null when the library cannot be loaded or started.
struct CurlLibrary {
    CURL* (*easyInit)();
    void (*easyCleanup)(CURL*);
    CURLcode (*easySetopt)(CURL*, CURLoption, ...);
    CURLcode (*easyGetinfo)(CURL*, CURLINFO, ...);
    CURLcode (*easyPerform)(CURL*);
    const char* (*easyStrerror)(CURLcode);
    CURLM* (*multiInit)();
    CURLMcode (*multiCleanup)(CURLM*);
    CURLMcode (*multiAddHandle)(CURLM*, CURL*);
    CURLMcode (*multiRemoveHandle)(CURLM*, CURL*);
    CURLMcode (*multiPerform)(CURLM*, int*);
    CURLMcode (*multiPoll)(CURLM*, curl_waitfd[], unsigned int, int, int*);
    CURLMcode (*multiWakeup)(CURLM*);
    CURLMsg* (*multiInfoRead)(CURLM*, int*);
    curl_slist* (*slistAppend)(curl_slist*, const char*);
    void (*slistFreeAll)(curl_slist*);
};

const CurlLibrary* curlLibrary();

} // namespace headwise
