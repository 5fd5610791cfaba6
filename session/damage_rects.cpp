// The comparison of two frames. Sprites are matched by their look, greedily in
// drawing order, so a sprite that kept its look and its place in the order
// among the unchanged ones paints the same pixels over the same ground.
#include "session/damage_rects.h"

#include <algorithm>
#include <unordered_map>

std::vector<PixelRect> changedRects(const std::vector<LoggedSprite>& before, const std::vector<LoggedSprite>& now) {
    std::unordered_multimap<std::uint64_t, std::size_t> byHash;
    byHash.reserve(before.size());
    for (std::size_t i = 0; i < before.size(); ++i) byHash.emplace(before[i].hash, i);
    std::vector<char> kept(before.size(), 0);
    std::vector<PixelRect> rects;
    std::size_t nextOld = 0;  // unchanged partners must come after the last one, in order
    for (const LoggedSprite& sprite : now) {
        std::size_t partner = before.size();
        const auto range = byHash.equal_range(sprite.hash);
        for (auto it = range.first; it != range.second; ++it)
            if (it->second >= nextOld && it->second < partner && !kept[it->second] &&
                sameLook(before[it->second], sprite))
                partner = it->second;
        if (partner == before.size()) {
            rects.push_back(sprite.rect);
            continue;
        }
        kept[partner] = 1;
        nextOld = partner + 1;
    }
    for (std::size_t i = 0; i < before.size(); ++i)
        if (!kept[i]) rects.push_back(before[i].rect);
    rects.erase(std::remove_if(rects.begin(), rects.end(), emptyRect), rects.end());
    return rects;
}

std::vector<PixelRect> joinRects(std::vector<PixelRect> rects, std::size_t mostRects) {
    // Two rectangles become their union when it is hardly larger than they are.
    const auto worthJoining = [](const PixelRect& a, const PixelRect& b) {
        const long long joined = rectArea(rectUnion(a, b));
        return rectsOverlap(a, b) || joined * 4 <= (rectArea(a) + rectArea(b)) * 5;
    };
    for (bool joinedAny = true; joinedAny;) {
        joinedAny = false;
        for (std::size_t i = 0; i < rects.size(); ++i)
            for (std::size_t j = i + 1; j < rects.size(); ++j)
                if (worthJoining(rects[i], rects[j])) {
                    rects[i] = rectUnion(rects[i], rects[j]);
                    rects.erase(rects.begin() + static_cast<std::ptrdiff_t>(j));
                    joinedAny = true;
                    j = i;
                }
    }
    while (rects.size() > mostRects && rects.size() > 1) {
        std::size_t bestI = 0, bestJ = 1;
        long long bestGrowth = -1;
        for (std::size_t i = 0; i < rects.size(); ++i)
            for (std::size_t j = i + 1; j < rects.size(); ++j) {
                const long long growth =
                    rectArea(rectUnion(rects[i], rects[j])) - rectArea(rects[i]) - rectArea(rects[j]);
                if (bestGrowth < 0 || growth < bestGrowth) bestGrowth = growth, bestI = i, bestJ = j;
            }
        rects[bestI] = rectUnion(rects[bestI], rects[bestJ]);
        rects.erase(rects.begin() + static_cast<std::ptrdiff_t>(bestJ));
        // A union may now reach others it did not before.
        const std::size_t left = rects.size();
        rects = joinRects(std::move(rects), left);
    }
    return rects;
}
