# add_win32_gl_program(<target> <sources>...)
# Builds a Win32 + OpenGL program against the library: on Windows it links
# OPENGL32.dll, the platform's GLU and the system libraries such programs use;
# on the host it links the library, our GLU and the Windows stand-in (with a main
# that calls the program's WinMain), and the library loads before main as the
# Windows loader would load the DLL.
function(add_win32_gl_program target)
  add_executable(${target} ${ARGN})
  if(WIN32)
    target_link_libraries(${target} PRIVATE opengl32_import glu32 gdi32 user32 winmm)
  else()
    target_link_libraries(${target} PRIVATE gl_headers glu32 opengl32 winapi_winmain winapi)
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:opengl32_autoload>)
  endif()
endfunction()
