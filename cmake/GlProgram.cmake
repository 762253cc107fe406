# add_win32_gl_program(<target> <sources>...)
# Builds a Win32 + OpenGL program against the library: on Windows it links
# OPENGL32.dll; on the host it links the library and the Windows stand-in, and
# the library loads before main as the Windows loader would load the DLL.
function(add_win32_gl_program target)
  add_executable(${target} ${ARGN})
  if(WIN32)
    target_link_libraries(${target} PRIVATE opengl32_import)
  else()
    target_link_libraries(${target} PRIVATE gl_headers opengl32 winapi)
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:opengl32_autoload>)
  endif()
endfunction()
