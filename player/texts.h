// Every fixed text the viewer shows. Written once in UTF-8; the Windows build
// stores them in Shift_JIS (code page 932), the Linux build in UTF-8.
#pragma once

#define TEXT_STREAM_INFO "vi_Rate %7d : vi_Scale %6d : vi_Length %d \n"
#define TEXT_HOWTO_LINE1 "処理方法              コマ送り - 's'キー \n"
#define TEXT_HOWTO_LINE2 "                      連続処理 - その他のキー ?\n"
#define TEXT_HOWTO_LINE3 "(連続処理中でも、どれかキーを押すと処理が中断されます)\n"
#define TEXT_OPEN_ERROR "v open err\n"
#define TEXT_WINDOW_TITLE "[%s] frame %d/%d "
#define TEXT_STEP_BOX "次のフレーム-はい 前のフレーム-いいえ 連続表示-キャンセル"
#define TEXT_STEP_CAPTION "..."
#define TEXT_INTERRUPT_BOX "終了-はい 続行-いいえ ステップ表示-キャンセル"
#define TEXT_INTERRUPT_CAPTION "処理を強制終了しますか？"
#define TEXT_CLOSING_PROMPT "quit? push any key"
#define TEXT_CHOOSER_TITLE "AVIファイルを指定します"
#define TEXT_CHOOSER_FILTER "*.*\0*.*\0"

// Failures the viewer reports beyond the open error, one line each.
#define TEXT_BAD_FRAME_SIZE "frame size %d x %d is not supported\n"
#define TEXT_NO_WINDOW "the image window could not be created\n"
#define TEXT_NO_MEMORY "not enough memory for a %u-byte frame buffer\n"
#define TEXT_NO_DECODER "frame %u: no decoder for this stream\n"
#define TEXT_BAD_FRAME "frame %u could not be decoded\n"
#define TEXT_BAD_LAYOUT "frame %u: unsupported pixel layout (%u bits, compression 0x%08x)\n"
