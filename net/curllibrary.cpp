#include "net/curllibrary.h"

#include <dlfcn.h>
#include <mutex>

namespace headwise {

namespace {

// The soname libcurl4 ships, whichever TLS flavour is installed.
constexpr const char* kLibrary = "libcurl.so.4";

template <typename Function> bool resolve(void* library, const char* name, Function& out) {
    out = reinterpret_cast<Function>(dlsym(library, name));
    return out != nullptr;
}

const CurlLibrary* load() {
    static CurlLibrary api;
    void* const library = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return nullptr;
    CURLcode (*globalInit)(long) = nullptr;
    const bool all = resolve(library, "curl_global_init", globalInit) &&
                     resolve(library, "curl_easy_init", api.easyInit) &&
                     resolve(library, "curl_easy_cleanup", api.easyCleanup) &&
                     resolve(library, "curl_easy_setopt", api.easySetopt) &&
                     resolve(library, "curl_easy_getinfo", api.easyGetinfo) &&
                     resolve(library, "curl_easy_perform", api.easyPerform) &&
                     resolve(library, "curl_easy_strerror", api.easyStrerror) &&
                     resolve(library, "curl_multi_init", api.multiInit) &&
                     resolve(library, "curl_multi_cleanup", api.multiCleanup) &&
                     resolve(library, "curl_multi_add_handle", api.multiAddHandle) &&
                     resolve(library, "curl_multi_remove_handle", api.multiRemoveHandle) &&
                     resolve(library, "curl_multi_perform", api.multiPerform) &&
                     resolve(library, "curl_multi_poll", api.multiPoll) &&
                     resolve(library, "curl_multi_wakeup", api.multiWakeup) &&
                     resolve(library, "curl_multi_info_read", api.multiInfoRead) &&
                     resolve(library, "curl_slist_append", api.slistAppend) &&
                     resolve(library, "curl_slist_free_all", api.slistFreeAll);
    // The library stays loaded for the program's life: what it keeps per
    // thread and its global state must outlive every fetch.
    if (!all || globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK)
        return nullptr;
    return &api;
}

} // namespace

const CurlLibrary* curlLibrary() {
    static std::once_flag once;
    static const CurlLibrary* api = nullptr;
    std::call_once(once, [] { api = load(); });
    return api;
}

} // namespace headwise
