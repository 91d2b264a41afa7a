// A scripted stand-in for the platform services the player calls, linked in
// place of the real platform libraries. A test fills the script, runs the
// player and reads back what the player asked of each service.
#pragma once

#include "win32.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace fake {

// Pixel layouts the scripted stream can deliver its frames in.
enum layout {
    LAYOUT_24,
    LAYOUT_24_TOP_DOWN,
    LAYOUT_32,
    LAYOUT_16_555,
    LAYOUT_16_565,
    LAYOUT_8_PALETTE,
};

// What is on the window's client area, as far as the player can tell.
const int SHOWN_NOTHING = -2; // never painted
const int SHOWN_BLACK = -1;   // painted black (no frame yet)
const int SHOWN_UNKNOWN = -3; // painted something that is no frame of the stream

struct box_answer {
    int answer;
    std::vector<int> keys_pressed = {}; // keys typed into the console while the box was up
};

struct script {
    bool dialog_cancels = false;
    std::string path = "/videos/clip.avi";

    std::vector<int> keys = {};
    std::vector<box_answer> answers = {}; // run out: Cancel, as Escape would

    HRESULT open_result = AVIERR_OK;
    DWORD rate = 30;
    DWORD scale = 1;
    DWORD length = 3;
    LONG width = 4;
    LONG height = 3;
    layout frame_layout = LAYOUT_24;
    std::set<LONG> null_frames = {};         // AVIStreamGetFrame gives NULL
    std::set<LONG> rle_frames = {};          // delivered as 8-bit RLE
    std::set<LONG> bad_header_frames = {};   // delivered with biSize 12
    std::set<int> failing_decoder_opens = {}; // by call number, from 0
    std::map<LONG, std::vector<int>> keys_on_fetch = {}; // typed while frame n decodes

    bool window_creation_fails = false;
};

struct dialog_request {
    bool called = false;
    OPENFILENAMEA fields = {};
    std::string filter;     // the whole list, terminators included
    std::string title;
};

struct box_shown {
    std::string text;
    std::string caption;
    HWND owner;
    UINT type;
    int frame_shown;
};

struct window_created {
    DWORD ex_style;
    std::string class_name;
    std::string title;
    DWORD style;
    int x, y, width, height;
    HWND parent;
    HMENU menu;
    HINSTANCE instance;
    LPVOID param;
};

struct paint_call {
    int x_dest, y_dest;
    DWORD width, height;
    int x_src, y_src;
    UINT start_scan, scan_lines;
    BITMAPINFOHEADER header;
    UINT color_use;
};

struct record {
    dialog_request dialog;
    std::vector<std::string> events; // every call, in order
    std::vector<box_shown> boxes;
    std::vector<std::string> titles;
    std::vector<LONG> frames_fetched;
    bool starved = false;          // _getch found no key
    int shown_at_last_key = SHOWN_NOTHING;
    std::vector<long> console_at_key; // bytes on the console when each key was read
    std::vector<int> keys_left;

    std::string open_path;
    DWORD open_type = 0;
    LONG open_stream_no = -1;
    UINT open_mode = 0xFFFF;
    CLSID *open_handler = nullptr;
    LONG info_size = 0;
    std::vector<LPBITMAPINFOHEADER> decoder_wanted;
    int decoders_open = 0;          // opened and not yet closed
    int stream_refs = 0;            // opened and not yet released
    bool stream_used_after_release = false;

    std::vector<WNDCLASSEXA> classes;
    std::vector<std::string> class_names;
    std::vector<window_created> windows;
    std::vector<paint_call> paints;
    bool bad_repaint_request = false; // not the whole client, or erasing
    bool window_destroyed = false;
    bool message_loop_ended = false;
};

// Clears the record and sets the script for the next run.
void reset(const script &s);
// Runs the player's main routine with fd 1 captured; returns its console bytes.
std::string run_player(int *status);
// The record of the last run; call after run_player has returned.
record &last();

// The picture of frame n of the scripted stream, as rows of RGB triples from
// the top. Its colours survive every layout exactly.
std::vector<BYTE> frame_picture(LONG n, LONG width, LONG height);
// Frame n as a packed DIB in `l`; `width` x `height` pixels.
std::vector<BYTE> frame_dib(LONG n, LONG width, LONG height, layout l);

// Shared by the fake services.
void log_event(const std::string &event);
int settle_window(); // waits for pending paints; what the client shows

} // namespace fake

// The player's main routine, compiled under another name for the tests.
int player_main(void);
