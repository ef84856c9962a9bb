# vty_layer(name dir allowed deps...): a static library of the sources in dir
# (from the top of the tree), linked against deps. It compiles against an
# include root of its own, made here: for every header of dir and of the
# folders in allowed (a list, or ALL for every folder) a file that forwards to
# it; for every other header of src/ and res/ a file that stops the build
# with an #error naming the rule. Sets <name>_ROOT and <name>_SOURCES and
# adds name to VTY_LAYERS in the caller's scope.
#
# The store is the only code that speaks to SQLite: it links sqlite3
# privately, so no other layer finds SQLite's headers, and in every other
# layer's root sqlite3.h and sqlite3recover.h stop the build. A check over the
# sources (cmake/check_sqlite_use.cmake) runs before every layer is built and
# stops the build at an SQLite include, call or handle outside src/store,
# however it is written.
file(GLOB_RECURSE VTY_ALL_HEADERS CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR}
  ${CMAKE_SOURCE_DIR}/src/*.h ${CMAKE_SOURCE_DIR}/res/*.h)
set(VTY_SQLITE_LAYER "src/store")
file(GLOB_RECURSE VTY_ALL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*.cpp ${CMAKE_SOURCE_DIR}/src/*.h)
set(VTY_SQLITE_STAMP ${CMAKE_BINARY_DIR}/layers/sqlite-use.checked)
add_custom_command(OUTPUT ${VTY_SQLITE_STAMP}
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DOWNER=${VTY_SQLITE_LAYER} -DSTAMP=${VTY_SQLITE_STAMP}
    -P ${CMAKE_SOURCE_DIR}/cmake/check_sqlite_use.cmake
  DEPENDS ${VTY_ALL_SOURCES} ${CMAKE_SOURCE_DIR}/cmake/check_sqlite_use.cmake
  COMMENT "Checking that only ${VTY_SQLITE_LAYER} speaks to SQLite")
add_custom_target(vty_sqlite_owner DEPENDS ${VTY_SQLITE_STAMP})

function(vty_layer name dir allowed)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  set(root ${CMAKE_BINARY_DIR}/layers/${name})
  set(reachable ${dir} ${allowed})
  set(made)
  foreach(header ${VTY_ALL_HEADERS})
    get_filename_component(folder ${header} DIRECTORY)
    string(REGEX REPLACE "^src/" "" included ${header})
    list(FIND reachable ${folder} found)
    if(allowed STREQUAL "ALL" OR NOT found EQUAL -1)
      set(text "#include \"${CMAKE_SOURCE_DIR}/${header}\"\n")
    else()
      set(text "#error \"${dir} may not include ${included}: the layers' rules are in CMakeLists.txt\"\n")
    endif()
    file(CONFIGURE OUTPUT ${root}/${included} CONTENT "${text}")
    list(APPEND made ${root}/${included})
  endforeach()
  if(NOT dir STREQUAL VTY_SQLITE_LAYER)
    foreach(header sqlite3.h sqlite3recover.h)
      file(CONFIGURE OUTPUT ${root}/${header}
        CONTENT "#error \"${dir} may not use SQLite: only ${VTY_SQLITE_LAYER} does (CMakeLists.txt)\"\n")
      list(APPEND made ${root}/${header})
    endforeach()
  endif()
  # A header moved or deleted leaves nothing behind that could still be reached.
  file(GLOB_RECURSE old ${root}/*)
  foreach(file ${old})
    list(FIND made ${file} found)
    if(found EQUAL -1)
      file(REMOVE ${file})
    endif()
  endforeach()
  set(${name}_SOURCES ${sources} PARENT_SCOPE)
  set(${name}_ROOT ${root} PARENT_SCOPE)
  set(VTY_LAYERS ${VTY_LAYERS} ${name} PARENT_SCOPE)
endfunction()

# Makes the library once its sources are final (the caller may filter them).
# Dependencies after the keyword PRIVATE stay the library's own: their
# headers are not seen by the layers above it.
function(vty_layer_library name)
  add_library(${name} STATIC ${${name}_SOURCES})
  target_include_directories(${name} PRIVATE ${${name}_ROOT})
  target_link_libraries(${name} PUBLIC ${ARGN})
  add_dependencies(${name} vty_sqlite_owner)
endfunction()
