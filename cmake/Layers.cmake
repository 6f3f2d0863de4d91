# SPDX-License-Identifier: GPL-3.0-or-later
# One static library per source folder, each above the one before it.

set_property(GLOBAL PROPERTY feedrite_layer_list "")

# feedrite_layers(FOLDER... [ABOVE LIBRARY]): a library feedrite_FOLDER for
# each folder, in order, the first linking LIBRARY (or only the common
# settings), each next one the library before it.
function(feedrite_layers)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "ABOVE" "")
  set(below ${arg_ABOVE})
  foreach(folder IN LISTS arg_UNPARSED_ARGUMENTS)
    set(library feedrite_${folder})
    add_library(${library} STATIC)
    # The folder's view of the tree: itself by its own name, nothing else.
    set(view ${PROJECT_BINARY_DIR}/layers/${folder})
    file(MAKE_DIRECTORY ${view})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
    target_include_directories(${library} PUBLIC ${view})
    target_link_libraries(${library} PUBLIC feedrite_common ${below})
    set_property(GLOBAL APPEND PROPERTY feedrite_layer_list ${library})
    set(below ${library})
  endforeach()
endfunction()

# A static library only pulls the objects something calls, so a call from a
# layer up into one above it would link wherever the program has both. Each
# layer is therefore linked whole, against the layers below it alone, into a
# program of its own that the build makes: an unresolved symbol there is a
# call that goes up.
function(feedrite_layer_link_checks)
  get_property(libraries GLOBAL PROPERTY feedrite_layer_list)
  set(main ${PROJECT_BINARY_DIR}/layers/link_check_main.cpp)
  file(WRITE ${main} "int main() { return 0; }\n")
  foreach(library IN LISTS libraries)
    add_executable(${library}_link_check ${main})
    target_link_libraries(${library}_link_check PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${library}>")
  endforeach()
endfunction()
