# cmake -DSOURCE_DIR=<tree> -DOWNER=src/store -DSTAMP=<file> -P check_sqlite_use.cmake
# Stops the build when a source of src/ outside OWNER includes an SQLite
# header, calls an SQLite function or holds an SQLite handle; writes STAMP
# when none does. Tests, tools and benchmarks build real files with SQLite
# and are not looked at.
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.h)
set(found "")
foreach(source ${sources})
  if(source MATCHES "^${OWNER}/")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${source} lines REGEX "sqlite3")
  foreach(line ${lines})
    if(line MATCHES "#[ \t]*include[ \t]*[<\"][^>\"]*sqlite3[^>\"]*\\.h"
       OR line MATCHES "sqlite3_[A-Za-z0-9_]+[ \t]*\\("
       OR line MATCHES "sqlite3[A-Za-z0-9_]*[ \t]*\\*")
      string(STRIP "${line}" line)
      string(APPEND found "\n  ${source}: ${line}")
    endif()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "Only ${OWNER} may use SQLite (the layers' rules are in CMakeLists.txt); "
                      "ask the store for what these need:${found}")
endif()
file(WRITE ${STAMP} "")
