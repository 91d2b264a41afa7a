// Painting: BeginPaint/EndPaint validate the window; SetDIBitsToDevice
// converts DIB rows into the backing image and sends the changed part.
// A device context here is the window itself (one client, no clipping).
#include "pixel_format.h"
#include "window_records.h"

#include <stdint.h>
#include <string.h>

namespace {

window_rec *window_of_dc(HDC dc)
{
    return find_own_window(reinterpret_cast<HWND>(dc));
}

int64_t max3(int64_t a, int64_t b, int64_t c)
{
    int64_t m = a > b ? a : b;
    return m > c ? m : c;
}

int64_t min3(int64_t a, int64_t b, int64_t c)
{
    int64_t m = a < b ? a : b;
    return m < c ? m : c;
}

bool image_pixel_format(const window_rec *window, pixel_format *format)
{
    Display *display = window->display;
    const Visual *visual = DefaultVisual(display, DefaultScreen(display));
    if (visual->c_class != TrueColor)
        return false;
    const XImage *image = window->image.image;
    format->bits_per_pixel = (unsigned)image->bits_per_pixel;
    format->red_mask = (uint32_t)visual->red_mask;
    format->green_mask = (uint32_t)visual->green_mask;
    format->blue_mask = (uint32_t)visual->blue_mask;
    format->msb_first = image->byte_order == MSBFirst;
    return true;
}

} // namespace

HDC WINAPI BeginPaint(HWND handle, LPPAINTSTRUCT paint)
{
    window_rec *window = find_own_window(handle);
    if (window == nullptr || paint == nullptr)
        return nullptr;
    // Cleared before drawing, so a request made meanwhile paints again.
    window->paint_pending = false;
    memset(paint, 0, sizeof(*paint));
    paint->hdc = reinterpret_cast<HDC>(window);
    paint->rcPaint.right = window->client_width;
    paint->rcPaint.bottom = window->client_height;
    return paint->hdc;
}

BOOL WINAPI EndPaint(HWND handle, const PAINTSTRUCT *)
{
    window_rec *window = find_own_window(handle);
    if (window == nullptr)
        return FALSE;
    XFlush(window->display);
    return TRUE;
}

// Scan lines are counted from the bottom of a bottom-up DIB and from the top
// of a top-down one; `bits` holds lines start_scan .. start_scan+scan_lines-1
// in memory order. Returns the number of rows drawn.
int WINAPI SetDIBitsToDevice(HDC dc, int x_dest, int y_dest, DWORD width, DWORD height, int x_src,
                             int y_src, UINT start_scan, UINT scan_lines, const void *bits,
                             const BITMAPINFO *info, UINT color_use)
{
    window_rec *window = window_of_dc(dc);
    if (window == nullptr || bits == nullptr || info == nullptr || color_use != DIB_RGB_COLORS)
        return 0;
    const BITMAPINFOHEADER *header = &info->bmiHeader;
    if (header->biCompression != BI_RGB || (header->biBitCount != 24 && header->biBitCount != 32))
        return 0;
    if (header->biWidth <= 0 || header->biHeight == 0 || header->biHeight == INT32_MIN)
        return 0;
    bool top_down = header->biHeight < 0;
    int64_t dib_height = top_down ? -(int64_t)header->biHeight : header->biHeight;
    unsigned source_bytes = header->biBitCount / 8u;
    uint64_t stride = ((uint64_t)header->biWidth * header->biBitCount + 31) / 32 * 4;

    if (!ensure_frame_image(window))
        return 0;
    pixel_format format;
    channel_tables tables;
    if (!image_pixel_format(window, &format) || !build_channel_tables(&format, &tables))
        return 0;
    XImage *image = window->image.image;

    // Columns drawn: inside the requested width, the DIB and the client.
    int64_t first_column = max3(0, -(int64_t)x_src, -(int64_t)x_dest);
    int64_t end_column = min3((int64_t)width, (int64_t)header->biWidth - x_src,
                              (int64_t)window->client_width - x_dest);
    if (first_column >= end_column)
        return 0;

    int64_t top_row = -1;
    int64_t bottom_row = -1;
    for (int64_t i = 0; i < (int64_t)height; i++) {
        int64_t y = (int64_t)y_dest + i;
        if (y < 0)
            continue;
        if (y >= window->client_height)
            break;
        // The destination's bottom row shows DIB line y_src of a bottom-up DIB.
        int64_t line = top_down ? (int64_t)y_src + i : (int64_t)y_src + ((int64_t)height - 1 - i);
        if (line < 0 || line >= dib_height || line < (int64_t)start_scan ||
            line - (int64_t)start_scan >= (int64_t)scan_lines)
            continue;
        const BYTE *source_row = (const BYTE *)bits + (uint64_t)(line - start_scan) * stride;
        BYTE *target_row = (BYTE *)image->data + y * image->bytes_per_line;
        convert_pixels(source_row + (x_src + first_column) * source_bytes, source_bytes,
                       target_row + (x_dest + first_column) * (format.bits_per_pixel / 8), &format,
                       &tables, (size_t)(end_column - first_column));
        if (top_row < 0)
            top_row = y;
        bottom_row = y;
    }
    if (top_row < 0)
        return 0;
    put_frame_image(window, (int)(x_dest + first_column), (int)top_row,
                    (int)(end_column - first_column), (int)(bottom_row - top_row + 1));
    return (int)(bottom_row - top_row + 1);
}

BOOL WINAPI PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop)
{
    window_rec *window = window_of_dc(dc);
    if (window == nullptr || (rop != BLACKNESS && rop != WHITENESS))
        return FALSE;
    Display *display = window->display;
    int screen = DefaultScreen(display);
    // Negative sizes extend left or up, as on Windows.
    int64_t left = width < 0 ? (int64_t)x + width : x;
    int64_t top = height < 0 ? (int64_t)y + height : y;
    int64_t right = left + (width < 0 ? -(int64_t)width : width);
    int64_t bottom = top + (height < 0 ? -(int64_t)height : height);
    if (left < 0)
        left = 0;
    if (top < 0)
        top = 0;
    if (right > window->client_width)
        right = window->client_width;
    if (bottom > window->client_height)
        bottom = window->client_height;
    if (left >= right || top >= bottom)
        return TRUE;
    XSetForeground(display, window->gc,
                   rop == BLACKNESS ? BlackPixel(display, screen) : WhitePixel(display, screen));
    XFillRectangle(display, window->xwindow, window->gc, (int)left, (int)top,
                   (unsigned)(right - left), (unsigned)(bottom - top));
    return TRUE;
}
