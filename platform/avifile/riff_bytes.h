// Little-endian field access and four-character codes, for the RIFF reader.
#pragma once

#include <stdint.h>

inline uint16_t riff_u16(const uint8_t *p)
{
    return (uint16_t)(p[0] | (p[1] << 8));
}

inline uint32_t riff_u32(const uint8_t *p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

inline uint64_t riff_u64(const uint8_t *p)
{
    return (uint64_t)riff_u32(p) | ((uint64_t)riff_u32(p + 4) << 32);
}

constexpr uint32_t riff_tag(const char (&s)[5])
{
    return (uint32_t)(uint8_t)s[0] | ((uint32_t)(uint8_t)s[1] << 8) | ((uint32_t)(uint8_t)s[2] << 16) |
           ((uint32_t)(uint8_t)s[3] << 24);
}

// The two-character stream prefix of chunk tags ("00dc", "01wb"), as the
// tag's low 16 bits; stream numbers above 99 cannot be named.
inline uint16_t riff_stream_prefix(uint32_t stream_index)
{
    return (uint16_t)(('0' + stream_index / 10 % 10) | (('0' + stream_index % 10) << 8));
}

inline uint16_t riff_tag_prefix(uint32_t tag)
{
    return (uint16_t)(tag & 0xFFFFu);
}

inline uint16_t riff_tag_suffix(uint32_t tag)
{
    return (uint16_t)(tag >> 16);
}

constexpr uint16_t riff_suffix(const char (&s)[3])
{
    return (uint16_t)((uint8_t)s[0] | ((uint8_t)s[1] << 8));
}
