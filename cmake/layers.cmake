# vty_layer(name dir allowed deps...): a static library of the sources in dir
# (from the top of the tree), linked against deps. It compiles against an
# include root of its own, made here: for every header of dir and of the
# folders in allowed (a list, or ALL for every folder) a file that forwards to
# it; for every other header of src/ and res/ a file that stops the build
# with an #error naming the rule. Sets <name>_ROOT and <name>_SOURCES and
# adds name to VTY_LAYERS in the caller's scope.
file(GLOB_RECURSE VTY_ALL_HEADERS CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR}
  ${CMAKE_SOURCE_DIR}/src/*.h ${CMAKE_SOURCE_DIR}/res/*.h)

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
function(vty_layer_library name)
  add_library(${name} STATIC ${${name}_SOURCES})
  target_include_directories(${name} PRIVATE ${${name}_ROOT})
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()
