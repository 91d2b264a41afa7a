# The Windows build: the same player and display sources against the real
# platform libraries, as one self-contained 32-bit console executable.

# The viewer holds its texts as Shift_JIS bytes; the sources are UTF-8.
set(viewer_charset_flags -finput-charset=UTF-8 -fexec-charset=CP932)
# The image record's lock and wake-up need the Vista-era synchronisation API.
set(viewer_windows_defines _WIN32_WINNT=0x0600 WINVER=0x0600)
# Console subsystem; libgcc and libstdc++ inside, so the .exe runs alone.
set(viewer_windows_link_flags -mconsole -static -static-libgcc -static-libstdc++)
set(viewer_windows_libs vfw32 comdlg32 gdi32 user32)

target_compile_options(viewer_core PRIVATE ${viewer_charset_flags})
target_compile_definitions(viewer_core PRIVATE ${viewer_windows_defines})

add_executable(frameviewer player/frame_player.cpp cmake/binary_stdout.c)
target_compile_options(frameviewer PRIVATE ${viewer_charset_flags})
target_compile_definitions(frameviewer PRIVATE ${viewer_windows_defines})
target_link_libraries(frameviewer PRIVATE viewer_core ${viewer_windows_libs})
target_link_options(frameviewer PRIVATE ${viewer_windows_link_flags})

# The platform values and text bytes this build relies on, checked at
# compile time and printed for the Linux-side tests that run it under Wine.
if(VIEWER_TESTS)
  add_executable(windows_values tests/wine/windows_values.cpp cmake/binary_stdout.c)
  target_include_directories(windows_values PRIVATE player display platform)
  target_compile_options(windows_values PRIVATE ${viewer_charset_flags})
  target_compile_definitions(windows_values PRIVATE ${viewer_windows_defines})
  target_link_libraries(windows_values PRIVATE ${viewer_windows_libs})
  target_link_options(windows_values PRIVATE ${viewer_windows_link_flags})
endif()
