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

# add_win32_resources(<target> <file.rc>)
# A program's resources (menus, dialogs, bitmaps): windres compiles the .rc file on Windows; on
# the host scripts/rc2table.py turns it into the stand-in's resource tables, the object library
# <target>resources (which tests of the program may link too).
if(WIN32)
  enable_language(RC)
else()
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
endif()
function(add_win32_resources target rc)
  if(WIN32)
    target_sources(${target} PRIVATE ${rc})
  else()
    get_filename_component(dir ${rc} DIRECTORY)
    set(table ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp)
    file(GLOB inputs ${dir}/*.rc ${dir}/*.h ${dir}/*.bmp)
    add_custom_command(OUTPUT ${table}
      COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/rc2table.py ${rc} ${table}
      DEPENDS ${inputs} ${CMAKE_SOURCE_DIR}/scripts/rc2table.py VERBATIM)
    add_library(${target}resources OBJECT ${table})
    target_include_directories(${target}resources PRIVATE ${dir})
    target_link_libraries(${target}resources PRIVATE winapi)
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:${target}resources>)
  endif()
endfunction()
