#pragma once
// Every web address the link bar opens, in one place. Each is a complete constant; only the
// search text is ever put into one (between a search prefix and its suffix, percent-encoded).
//
// Sites: the marketplace (taobao.com hosts: links 0 and 2, the second search page), a
// shopping-guide site (www.smzdm.com: links 1 and 4, the first search page) and a directory of
// top-rated shops (dianpu.tao123.com: link 3). The affiliate keys carry a neutral account.

namespace PromoAddresses {

inline constexpr int kLinkCount = 5;

// Indexed like the links, left to right.
inline constexpr const char* kLinks[kLinkCount] = {
    // 0 "淘宝特卖": the marketplace's bargain channel (a server script).
    "https://tejia.taobao.com/tejia.php?pid=mm_0_0_0&eventid=0",
    // 1 "商城导航": the shopping guide's mall directory.
    "https://www.smzdm.com/navigate.html?e=",
    // 2 "淘宝排行": the marketplace's best-seller ranking.
    "https://top.taobao.com/redirect.php?cat=0&from=lucivane&pid=mm_0_0_0&unid=&mode=1&refpos="
    "&stat_ref=1&show=1&goodsFilter=1&from=lucivane&pid=mm_0_0_0",
    // 3 "皇冠店铺": top-rated shops, at the directory's root.
    "https://dianpu.tao123.com/?pid=mm_0_0_0&eventid=0",
    // 4 "实惠抢购": the shopping guide's specials.
    "https://www.smzdm.com/specials.html?e=&logo=1",
};

// First search page: the shopping guide.
inline constexpr const char* kGuideSearchPrefix = "https://www.smzdm.com/search-";
inline constexpr const char* kGuideSearchSuffix = ".html?oid=0&gsid=0";

// Second search page: the marketplace. other_filter holds "全部", already percent-encoded.
inline constexpr const char* kMarketSearchPrefix = "https://s.taobao.com/search?q=";
inline constexpr const char* kMarketSearchSuffix =
    "&cat=0&pid=mm_0_0_0&mode=63&commend=all&other_filter=%E5%85%A8%E9%83%A8&fs=1";

}  // namespace PromoAddresses
