# Fails when a core folder includes a Qt header or a file of the GUI folder:
# the core must build and be tested without a window. The motion model sits
# below the send driver and the windows: it reads programs and settings only.
set(offences "")

# Adds to `offences` every include in `folders` that matches `pattern`.
function(find_includes pattern)
  foreach(folder IN LISTS ARGN)
    file(GLOB_RECURSE sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
    foreach(source IN LISTS sources)
      file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include")
      foreach(line IN LISTS includes)
        if(line MATCHES "${pattern}")
          file(RELATIVE_PATH rel "${SOURCE_DIR}" "${source}")
          list(APPEND offences "${rel}: ${line}")
        endif()
      endforeach()
    endforeach()
  endforeach()
  set(offences "${offences}" PARENT_SCOPE)
endfunction()

find_includes("[<\"](Q[A-Za-z]+|Qt[A-Za-z]+/[^>\"]*|gui/[^>\"]*)[>\"]"
              core text btr sim config edit motion prepare)
find_includes("[<\"](prepare|sim|edit|tools)/" motion)
if(offences)
  list(JOIN offences "\n  " text)
  message(FATAL_ERROR "Core files reach the GUI or Qt, or the motion model a layer above it:\n  ${text}")
endif()
