#include "codec_tags.h"

#include <ctype.h>
#include <string.h>

namespace {

struct tag_codec {
    const char *tags;  // four-character codes, upper case, each followed by a space
    AVCodecID id;
};

// Upper-cased FourCCs as AVI writers use them. One line per decoder.
const tag_codec table[] = {
    {"MJPG AVDJ JPGL DMB1 IJPG ACDV QIVG SLMJ CJPG MJPA JPEG ", AV_CODEC_ID_MJPEG},
    {"AVRN ", AV_CODEC_ID_AVRN},
    {"LJPG ", AV_CODEC_ID_LJPEG},
    {"MJLS JPLS ", AV_CODEC_ID_JPEGLS},
    {"SP5X SP53 SP54 SP55 SP56 SP57 SP58 ", AV_CODEC_ID_SP5X},
    {"FMP4 DIVX DX50 XVID MP4S M4S2 MP4V DIV1 BLZ0 UMP4 WV1F SEDG RMP4 3IV2 WAWV FFDS FVFW "
     "DCOD MVXM PM4V SMP4 DXGM VIDM M4T3 GEOX DMK2 DIGI EPHV EM4A M4CC SN40 VSPX ULDX GEOV "
     "SIPP XVIX DREX QMP4 PLV1 GLV4 GMP4 MNM4 GTM4 3IVD 3IV1 ",
     AV_CODEC_ID_MPEG4},
    {"MP43 DIV3 MPG3 DIV4 DIV5 DIV6 DVX3 AP41 COL1 COL0 ", AV_CODEC_ID_MSMPEG4V3},
    {"MP42 DIV2 ", AV_CODEC_ID_MSMPEG4V2},
    {"MPG4 ", AV_CODEC_ID_MSMPEG4V1},
    {"H264 X264 AVC1 DAVC SMV2 VSSH Q264 V264 GAVC UMSV TSHD INMC ", AV_CODEC_ID_H264},
    {"HEVC H265 X265 HVC1 HEV1 ", AV_CODEC_ID_HEVC},
    {"H263 X263 T263 L263 VX1K ZYGO M263 LSVM ", AV_CODEC_ID_H263},
    {"I263 ", AV_CODEC_ID_H263I},
    {"U263 VIV1 ", AV_CODEC_ID_H263P},
    {"WMV1 ", AV_CODEC_ID_WMV1},
    {"WMV2 GXVE ", AV_CODEC_ID_WMV2},
    {"WMV3 ", AV_CODEC_ID_WMV3},
    {"WVC1 WMVA ", AV_CODEC_ID_VC1},
    {"MPG1 PIM1 ", AV_CODEC_ID_MPEG1VIDEO},
    {"MPG2 MPEG MMES PIM2 DVR  MPGV ", AV_CODEC_ID_MPEG2VIDEO},
    {"DVSD DV25 DV50 CDVC CDVH DVC  DVCS DVH1 DVIS DVHD DVSL DVCP DVPP DVHP DVH5 DVH6 ",
     AV_CODEC_ID_DVVIDEO},
    {"HFYU ", AV_CODEC_ID_HUFFYUV},
    {"FFVH ", AV_CODEC_ID_FFVHUFF},
    {"FFV1 ", AV_CODEC_ID_FFV1},
    {"CVID ", AV_CODEC_ID_CINEPAK},
    {"CRAM MSVC WHAM ", AV_CODEC_ID_MSVIDEO1},
    {"MRLE ", AV_CODEC_ID_MSRLE},
    {"RT21 ", AV_CODEC_ID_INDEO2},
    {"IV31 IV32 ", AV_CODEC_ID_INDEO3},
    {"IV41 ", AV_CODEC_ID_INDEO4},
    {"IV50 ", AV_CODEC_ID_INDEO5},
    {"VP30 VP31 ", AV_CODEC_ID_VP3},
    {"VP50 ", AV_CODEC_ID_VP5},
    {"VP60 VP61 VP62 ", AV_CODEC_ID_VP6},
    {"VP6F FLV4 ", AV_CODEC_ID_VP6F},
    {"VP6A ", AV_CODEC_ID_VP6A},
    {"VP80 ", AV_CODEC_ID_VP8},
    {"VP90 ", AV_CODEC_ID_VP9},
    {"FLV1 ", AV_CODEC_ID_FLV1},
    {"ULRA ULRG ULY0 ULY2 ULY4 ULH0 ULH2 ULH4 UQY0 UQY2 UQRA UQRG UMY2 UMH2 UMY4 UMH4 UMRG UMRA ",
     AV_CODEC_ID_UTVIDEO},
    {"MAGY M8RG M8RA M8G0 M8Y0 M8Y2 M8Y4 M8YA ", AV_CODEC_ID_MAGICYUV},
    {"LAGS ", AV_CODEC_ID_LAGARITH},
    {"TSCC ", AV_CODEC_ID_TSCC},
    {"TSC2 ", AV_CODEC_ID_TSCC2},
    {"ZMBV ", AV_CODEC_ID_ZMBV},
    {"MSZH ", AV_CODEC_ID_MSZH},
    {"ZLIB ", AV_CODEC_ID_ZLIB},
    {"CSCD ", AV_CODEC_ID_CSCD},
    {"FPS1 ", AV_CODEC_ID_FRAPS},
    {"LOCO ", AV_CODEC_ID_LOCO},
    {"WNV1 ", AV_CODEC_ID_WNV1},
    {"VCR1 ", AV_CODEC_ID_VCR1},
    {"CLJR ", AV_CODEC_ID_CLJR},
    {"ASV1 ", AV_CODEC_ID_ASV1},
    {"ASV2 ", AV_CODEC_ID_ASV2},
    {"SNOW ", AV_CODEC_ID_SNOW},
    {"8BPS ", AV_CODEC_ID_8BPS},
    {"MPNG PNG1 PNGM ", AV_CODEC_ID_PNG},
    {"CLLC ", AV_CODEC_ID_CLLC},
    {"CFHD ", AV_CODEC_ID_CFHD},
    {"KGV1 ", AV_CODEC_ID_KGV1},
    {"AURA ", AV_CODEC_ID_AURA},
    {"AUR2 ", AV_CODEC_ID_AURA2},
    {"ULTI ", AV_CODEC_ID_ULTI},
    {"VMNC ", AV_CODEC_ID_VMNC},
    {"ZECO ", AV_CODEC_ID_ZEROCODEC},
    {"XTOR ", AV_CODEC_ID_DXTORY},
    {"MSA1 ", AV_CODEC_ID_MSA1},
    {"MTS2 ", AV_CODEC_ID_MTS2},
    {"G2M2 G2M3 G2M4 G2M5 ", AV_CODEC_ID_G2M},
    {"FICV ", AV_CODEC_ID_FIC},
    {"HQX  ", AV_CODEC_ID_HQX},
    {"HAP1 HAP5 HAPY HAPA HAPM ", AV_CODEC_ID_HAP},
    {"FMVC ", AV_CODEC_ID_FMVC},
    {"SHQ0 SHQ1 SHQ2 SHQ3 SHQ4 SHQ5 SHQ7 SHQ9 ", AV_CODEC_ID_SPEEDHQ},
    {"V210 ", AV_CODEC_ID_V210},
    {"R210 ", AV_CODEC_ID_R210},
    {"V410 ", AV_CODEC_ID_V410},
    {"Y41P ", AV_CODEC_ID_Y41P},
    {"AYUV ", AV_CODEC_ID_AYUV},
    {"YUV4 ", AV_CODEC_ID_YUV4},
    {"CPIA ", AV_CODEC_ID_CPIA},
    {"AVUI ", AV_CODEC_ID_AVUI},
    {"CAVS ", AV_CODEC_ID_CAVS},
    // Planar and packed YUV stored raw: the raw decoder reads the layout from the tag.
    {"YUY2 UYVY YVYU I420 IYUV YV12 YV16 YV24 Y800 Y8   GREY NV12 NV21 HDYC Y422 UYNV YUNV V422 "
     "YUYV Y411 Y41B 422P 444P 440P 420P ",
     AV_CODEC_ID_RAWVIDEO},
};

} // namespace

void codec_tag_text(uint32_t tag, char text[5])
{
    for (int i = 0; i < 4; i++) {
        unsigned char c = (unsigned char)(tag >> (8 * i));
        text[i] = isprint(c) ? (char)c : '?';
    }
    text[4] = 0;
}

AVCodecID codec_id_for_tag(uint32_t tag)
{
    if (tag == 1 || tag == 2)  // BI_RLE8, BI_RLE4
        return AV_CODEC_ID_MSRLE;
    char key[6];
    for (int i = 0; i < 4; i++)
        key[i] = (char)toupper((unsigned char)(tag >> (8 * i)));
    key[4] = ' ';
    key[5] = 0;
    if (memchr(key, 0, 4) != NULL)
        return AV_CODEC_ID_NONE;
    for (const tag_codec &entry : table) {
        // Entries are five characters apart, so a match must start on one.
        for (const char *p = entry.tags; *p != 0; p += 5)
            if (memcmp(p, key, 5) == 0)
                return entry.id;
    }
    return AV_CODEC_ID_NONE;
}
