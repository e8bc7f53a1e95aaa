#pragma once
// The crawl options a fresh installation starts with.
namespace crawlspect::defaults {

inline constexpr const char* kIgnoreExtensions =
    "ico jpg jpeg png gif bmp svg css js exe zip rar 7z apk pdf doc docx xls xlsx ppt pptx";
inline constexpr const char* kAgent =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/87.0.4280.88 "
    "Safari/537.36";
inline constexpr int kTimeoutMs = 10000;
inline constexpr int kPageLimit = 50;
inline constexpr int kMaxPageLimit = 999999999;

}  // namespace crawlspect::defaults
