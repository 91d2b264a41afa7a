#include "flow_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <stdio.h>

using namespace fake;

namespace {

const char step_text[] = "次のフレーム-はい 前のフレーム-いいえ 連続表示-キャンセル";
const char interrupt_text[] = "終了-はい 続行-いいえ ステップ表示-キャンセル";
const char interrupt_caption[] = "処理を強制終了しますか？";

long position_of(const std::vector<std::string> &events, const std::string &event)
{
    auto it = std::find(events.begin(), events.end(), event);
    return it == events.end() ? -1 : (long)(it - events.begin());
}

} // namespace

std::vector<LONG> numbers(const char *list)
{
    std::vector<LONG> out;
    std::istringstream in(list);
    LONG n;
    while (in >> n)
        out.push_back(n);
    return out;
}

std::string printable(const std::string &bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\n') {
            out += "\\n";
        } else if (c >= 0x20 && c < 0x7F) {
            out += (char)c;
        } else {
            char hex[8];
            snprintf(hex, sizeof(hex), "\\x%02x", c);
            out += hex;
        }
    }
    return out;
}

std::string title_for(const std::string &path, LONG frame_no, DWORD length)
{
    return "[" + path + "] frame " + std::to_string(frame_no) + "/" + std::to_string(length) + " ";
}

std::string box_summary(const record &r)
{
    std::string out;
    for (const box_shown &b : r.boxes) {
        if (!out.empty())
            out += ' ';
        if (b.text == step_text && b.caption == "...")
            out += 'S';
        else if (b.text == interrupt_text && b.caption == interrupt_caption)
            out += 'I';
        else
            out += "?[" + b.text + "|" + b.caption + "]";
        if (b.frame_shown == SHOWN_BLACK)
            out += 'b';
        else if (b.frame_shown == SHOWN_NOTHING)
            out += '-';
        else if (b.frame_shown == SHOWN_UNKNOWN)
            out += '?';
        else
            out += std::to_string(b.frame_shown);
    }
    return out;
}

bool valid_utf8(const std::string &text)
{
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = (unsigned char)text[i];
        size_t more = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : 9;
        if (more == 9 || text.size() - i - 1 < more)
            return false;
        for (size_t k = 1; k <= more; k++)
            if (((unsigned char)text[i + k] >> 6) != 0x2)
                return false;
        i += more + 1;
    }
    return true;
}

void check_run_invariants(const script &s, const record &r, bool prompted)
{
    const std::vector<std::string> &ev = r.events;

    // Boxes: no owner, Yes/No/Cancel and nothing else (no icon).
    for (const box_shown &b : r.boxes) {
        EXPECT_EQ(b.owner, (HWND)NULL);
        EXPECT_EQ(b.type, (UINT)MB_YESNOCANCEL);
    }

    // Titles fit the player's 100-byte buffer and stay whole characters.
    for (const std::string &t : r.titles) {
        EXPECT_LT(t.size(), 100u) << t;
        EXPECT_TRUE(valid_utf8(t)) << printable(t);
    }

    // Each title is followed by a whole-window repaint request without erase.
    EXPECT_FALSE(r.bad_repaint_request);
    for (size_t i = 0; i < ev.size(); i++) {
        if (ev[i].rfind("title ", 0) != 0)
            continue;
        ASSERT_LT(i + 1, ev.size());
        EXPECT_EQ(ev[i + 1], "repaint") << "after " << ev[i];
    }

    // Every frame is fetched from a decoder opened for it, closed after.
    bool decoder_open = false;
    for (const std::string &e : ev) {
        if (e == "decoder-open")
            decoder_open = true; // a failed open is followed by no fetch
        else if (e == "decoder-close")
            decoder_open = false;
        else if (e.rfind("fetch ", 0) == 0) {
            EXPECT_TRUE(decoder_open) << e;
        }
    }
    EXPECT_EQ(r.decoders_open, 0);
    for (LPBITMAPINFOHEADER wanted : r.decoder_wanted)
        EXPECT_EQ(wanted, (LPBITMAPINFOHEADER)AVIGETFRAMEF_BESTDISPLAYFMT);

    // The dialog comes first; the service is prepared after it, before the open.
    if (r.dialog.called) {
        ASSERT_FALSE(ev.empty());
        EXPECT_EQ(ev.front(), "dialog");
    }
    long opened = position_of(ev, "open");
    if (opened >= 0) {
        long init = position_of(ev, "init");
        EXPECT_TRUE(init >= 0 && init < opened);
        EXPECT_EQ(r.open_path, s.path);
        EXPECT_EQ(r.open_type, (DWORD)0x73646976);
        EXPECT_EQ(r.open_stream_no, 0);
        EXPECT_EQ(r.open_mode, 0u);
        EXPECT_EQ(r.open_handler, nullptr);
    }
    bool stream_opened = opened >= 0 && s.open_result == AVIERR_OK;
    if (stream_opened) {
        EXPECT_EQ(r.info_size, 140);
        EXPECT_EQ(r.stream_refs, 0) << "the stream is released once";
    }
    EXPECT_FALSE(r.stream_used_after_release);

    // The end: stream released, prompt's key, then the window closed.
    long released = position_of(ev, "release");
    long closed = position_of(ev, "send 16");
    bool window_made = !r.windows.empty() && !s.window_creation_fails;
    if (window_made) {
        ASSERT_GE(released, 0) << "the stream is released";
        ASSERT_GE(closed, 0) << "the window is closed";
        EXPECT_LT(released, closed);
        EXPECT_EQ(std::count(ev.begin(), ev.end(), "send 16"), 1);
        EXPECT_TRUE(r.window_destroyed);
        EXPECT_TRUE(r.message_loop_ended);
        for (long i = released + 1; i < (long)ev.size(); i++)
            EXPECT_TRUE(ev[i].rfind("fetch", 0) != 0 && ev[i].rfind("decoder", 0) != 0 &&
                        ev[i].rfind("box", 0) != 0)
                << ev[i] << " after the release";
        bool key_between = false;
        for (long i = released + 1; i < closed; i++)
            key_between = key_between || ev[i].rfind("getch", 0) == 0;
        EXPECT_EQ(key_between, prompted) << "the prompt's key comes before the close";
    } else {
        EXPECT_LT(closed, 0);
    }

    // Paints draw the whole 24-bit bottom-up frame buffer at the top left.
    LONG stride = ((s.width * 3) + 3) / 4 * 4;
    for (const paint_call &p : r.paints) {
        EXPECT_EQ(p.x_dest, 0);
        EXPECT_EQ(p.y_dest, 0);
        EXPECT_EQ(p.width, (DWORD)s.width);
        EXPECT_EQ(p.height, (DWORD)s.height);
        EXPECT_EQ(p.x_src, 0);
        EXPECT_EQ(p.y_src, 0);
        EXPECT_EQ(p.start_scan, 0u);
        EXPECT_EQ(p.scan_lines, (UINT)s.height);
        EXPECT_EQ(p.color_use, (UINT)DIB_RGB_COLORS);
        const BITMAPINFOHEADER &h = p.header;
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biWidth, s.width);
        EXPECT_EQ(h.biHeight, s.height);
        EXPECT_EQ(h.biPlanes, 1);
        EXPECT_EQ(h.biBitCount, 24);
        EXPECT_EQ(h.biCompression, (DWORD)BI_RGB);
        EXPECT_EQ(h.biSizeImage, (DWORD)(stride * s.height));
        EXPECT_EQ(h.biXPelsPerMeter, 0);
        EXPECT_EQ(h.biYPelsPerMeter, 0);
        EXPECT_EQ(h.biClrUsed, 0u);
        EXPECT_EQ(h.biClrImportant, 0u);
    }
}
