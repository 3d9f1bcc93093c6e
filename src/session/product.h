#pragma once
// The product's fixed configuration: its four web addresses and its help file. The web page is
// shipped with the program (a Qt resource), so the web strip works offline.

namespace varnel::product {

inline constexpr const char* kWebPageAddress = "qrc:/web/varnel.html";
inline constexpr const char* kUpdatePageAddress = "https://varnel.example.org/update.html";
inline constexpr const char* kSupportListEmail = "varnel-support@lists.example.org";
inline constexpr const char* kSupportSubscribeAddress = "https://lists.example.org/subscribe/varnel-support";
inline constexpr const char* kHelpFileName = "vr.hlp";

}  // namespace varnel::product
