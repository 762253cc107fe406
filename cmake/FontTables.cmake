# standin_font_tables(<target>)
# Adds the stand-in GDI's font tables to <target>: a source that make-font-tables.py writes into
# the build tree from the DejaVu fonts (Debian's fonts-dejavu-core) with fontTools.
set(DEJAVU_FONT_DIR /usr/share/fonts/truetype/dejavu CACHE PATH "Folder of the DejaVu TrueType fonts")

function(standin_font_tables target)
  set(fonts ${DEJAVU_FONT_DIR}/DejaVuSans.ttf ${DEJAVU_FONT_DIR}/DejaVuSans-Bold.ttf
            ${DEJAVU_FONT_DIR}/DejaVuSansMono.ttf ${DEJAVU_FONT_DIR}/DejaVuSansMono-Bold.ttf)
  foreach(font ${fonts})
    if(NOT EXISTS ${font})
      message(FATAL_ERROR "${font} is missing (scripts/install-deps.sh installs fonts-dejavu-core)")
    endif()
  endforeach()
  if(NOT STANDIN_FONT_PYTHON)
    find_package(Python3 COMPONENTS Interpreter)
    foreach(python ${Python3_EXECUTABLE} /usr/bin/python3)
      execute_process(COMMAND ${python} -c "import fontTools" RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
      if(NOT failed)
        set(STANDIN_FONT_PYTHON ${python} CACHE FILEPATH "A Python 3 with fontTools, for the font tables")
        break()
      endif()
    endforeach()
    if(NOT STANDIN_FONT_PYTHON)
      message(FATAL_ERROR "no Python 3 with fontTools (scripts/install-deps.sh installs python3-fonttools)")
    endif()
  endif()
  set(script ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../standin/gdi32/make-font-tables.py)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/fonttables.cpp)
  add_custom_command(OUTPUT ${output}
    COMMAND ${STANDIN_FONT_PYTHON} ${script} ${output} ${fonts}
    DEPENDS ${script} ${fonts}
    COMMENT "Font tables from the DejaVu fonts"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../standin/gdi32)
endfunction()
