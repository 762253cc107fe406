#include "texlayout.h"

namespace rvx {

uint32_t texelBytes(int32_t format)
{
    if (format < 0 || format > 15)
        return 0;
    return format < 8 ? 1 : 2;
}

bool lodSize(int32_t lod, int32_t aspect, uint32_t &width, uint32_t &height)
{
    if (lod < RV_LOD_256 || lod > RV_LOD_1 || aspect < RV_ASPECT_8x1 || aspect > RV_ASPECT_1x8)
        return false;
    const uint32_t major = 256u >> lod;
    uint32_t minor = major >> (aspect <= RV_ASPECT_1x1 ? RV_ASPECT_1x1 - aspect : aspect - RV_ASPECT_1x1);
    if (minor == 0)
        minor = 1;
    width = aspect <= RV_ASPECT_1x1 ? major : minor;
    height = aspect <= RV_ASPECT_1x1 ? minor : major;
    return true;
}

uint32_t textureMemRequired(uint32_t levels, const RvTexInfo &info)
{
    const uint32_t bpt = texelBytes(info.format);
    if (bpt == 0 || info.largeLod > info.smallLod)
        return 0;
    uint32_t total = 0;
    for (int32_t lod = info.largeLod; lod <= info.smallLod; ++lod) {
        uint32_t w, h;
        if (!lodSize(lod, info.aspect, w, h))
            return 0;
        if (levels & (1u << (lod & 1)))
            total += w * h * bpt;
    }
    return (total + RV_TEXMEM_ALIGN - 1) & ~uint32_t(RV_TEXMEM_ALIGN - 1);
}

} // namespace rvx
