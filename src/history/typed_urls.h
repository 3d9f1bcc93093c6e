#pragma once
// Internet Explorer keeps the addresses typed into its address bar as the string values "url1",
// "url2", ... of HKEY_CURRENT_USER "Software\Microsoft\Internet Explorer\TypedURLs".
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "winenv/registry.h"
#include "winenv/status.h"

namespace varnel {

inline constexpr std::string_view kTypedUrlsKey = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
// Internet Explorer keeps no more than this many typed addresses.
inline constexpr std::size_t kMaxTypedUrls = 20;

using TypedUrlSink = std::function<void(const std::string& item)>;

// "url" followed by the 1-based number: "url1".
std::string TypedUrlValueName(std::size_t number);
// The text without blanks (' ') at either end.
std::string TrimBlanks(std::string_view text);

// Hands over "url1", "url2", ... as read, up to the first value that is missing, empty or not
// a string.
void ReadTypedUrls(Registry& registry, const TypedUrlSink& onItem);

// Replaces the key by the first 20 items, trimmed of blanks, as "url1" to "url20" (an empty list
// leaves no key). Saved all at once: on failure the key stays exactly as it was and the
// Status (code 75) carries the registry's reason.
Status WriteTypedUrls(Registry& registry, const std::vector<std::string>& items);

}  // namespace varnel
