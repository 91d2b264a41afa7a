#include "riff_chunks.h"

#include "riff_bytes.h"

bool riff_next_chunk(riff_source *src, uint64_t *pos, uint64_t end, riff_chunk *chunk)
{
    if (end > src->size)
        end = src->size;
    if (*pos > end || end - *pos < 8)
        return false;
    uint8_t header[8];
    if (!riff_read(src, *pos, header, sizeof(header)))
        return false;
    chunk->id = riff_u32(header);
    chunk->size = riff_u32(header + 4);
    chunk->pos = *pos;
    chunk->data = *pos + 8;
    uint64_t room = end - chunk->data;
    chunk->avail = chunk->size < room ? chunk->size : room;
    chunk->list_type = 0;

    uint64_t padded = (uint64_t)chunk->size + (chunk->size & 1u);
    *pos = padded < room ? chunk->data + padded : end;

    // A list of size 0 was never finished; its type is still there to read.
    if (riff_is_list(*chunk) && (chunk->avail >= 4 || (chunk->size == 0 && room >= 4))) {
        uint8_t type[4];
        if (riff_read(src, chunk->data, type, sizeof(type)))
            chunk->list_type = riff_u32(type);
    }
    return true;
}

bool riff_is_list(const riff_chunk &chunk)
{
    return chunk.id == riff_tag("RIFF") || chunk.id == riff_tag("LIST");
}

uint64_t riff_list_begin(const riff_chunk &chunk)
{
    return chunk.avail >= 4 ? chunk.data + 4 : chunk.data + chunk.avail;
}

uint64_t riff_list_end(const riff_chunk &chunk)
{
    return chunk.data + chunk.avail;
}

bool riff_tag_is_text(uint32_t tag)
{
    for (int i = 0; i < 4; i++) {
        uint8_t c = (uint8_t)(tag >> (8 * i));
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}
