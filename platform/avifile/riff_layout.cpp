#include "riff_layout.h"

#include "riff_bytes.h"

static void add_movi(const riff_chunk &list, uint64_t parent_end, riff_layout *layout)
{
    riff_movi movi;
    movi.fourcc_pos = list.data;
    movi.begin = list.data + 4;
    // An unfinished writer leaves the size 0: the list then runs to its parent's end.
    uint64_t end = list.size == 0 ? parent_end : riff_list_end(list);
    movi.end = end < movi.begin ? movi.begin : end;
    movi.claimed_end = list.size == 0 ? parent_end : list.data + list.size;
    layout->movi.push_back(movi);
}

// One RIFF form's children: the first form ('AVI ') holds hdrl and idx1,
// every form may hold movi lists.
static void read_form(riff_source *src, uint64_t begin, uint64_t end, bool first, riff_layout *layout)
{
    uint64_t pos = begin;
    riff_chunk chunk;
    while (riff_next_chunk(src, &pos, end, &chunk)) {
        if (chunk.id == riff_tag("LIST") && chunk.list_type == riff_tag("movi")) {
            add_movi(chunk, end, layout);
            if (chunk.size == 0)
                return;  // it runs to the end
        } else if (!first) {
            continue;
        } else if (chunk.id == riff_tag("LIST") && chunk.list_type == riff_tag("hdrl")) {
            if (!layout->has_hdrl) {
                layout->has_hdrl = true;
                layout->hdrl = chunk;
            }
        } else if (chunk.id == riff_tag("idx1")) {
            if (!layout->has_idx1) {
                layout->has_idx1 = true;
                layout->idx1 = chunk;
            }
        }
    }
}

HRESULT riff_read_layout(riff_source *src, riff_layout *layout)
{
    layout->has_hdrl = false;
    layout->has_idx1 = false;
    layout->movi.clear();

    uint64_t pos = 0;
    riff_chunk riff;
    if (!riff_next_chunk(src, &pos, src->size, &riff) || riff.id != riff_tag("RIFF"))
        return AVIERR_BADFORMAT;
    uint64_t form_begin = riff_list_begin(riff);
    uint64_t form_end = riff_list_end(riff);
    if (riff.size <= 4) {
        // A writer that never finished leaves the size 0: the form is the whole file.
        uint8_t type[4];
        if (!riff_read(src, riff.data, type, sizeof(type)))
            return AVIERR_BADFORMAT;
        riff.list_type = riff_u32(type);
        form_begin = riff.data + 4;
        form_end = src->size;
    }
    if (riff.list_type != riff_tag("AVI "))
        return AVIERR_BADFORMAT;
    read_form(src, form_begin, form_end, true, layout);
    if (!layout->has_hdrl)
        return AVIERR_BADFORMAT;

    // OpenDML parts follow the first form; anything else ends the file.
    pos = form_end + (form_end & 1u) <= src->size ? form_end + (form_end & 1u) : src->size;
    riff_chunk part;
    while (riff_next_chunk(src, &pos, src->size, &part)) {
        if (part.id == riff_tag("RIFF") && part.list_type == riff_tag("AVIX"))
            read_form(src, riff_list_begin(part), riff_list_end(part), false, layout);
        else if (part.id != riff_tag("JUNK"))
            break;
    }
    return AVIERR_OK;
}
