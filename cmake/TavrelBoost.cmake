# Boost is used header-only (uBLAS, Math, LexicalCast). A cross compiler must
# not see the rest of the host's /usr/include, so it gets a folder holding
# nothing but a link named "boost" to the host's Boost headers.
find_path(TAVREL_BOOST_ROOT boost/version.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
if(NOT TAVREL_BOOST_ROOT)
  message(FATAL_ERROR "Boost headers not found; run scripts/install-deps.sh")
endif()
add_library(tavrel_boost INTERFACE)
if(CMAKE_CROSSCOMPILING)
  set(_boost_dir ${CMAKE_BINARY_DIR}/boost-include)
  file(MAKE_DIRECTORY ${_boost_dir})
  if(NOT EXISTS ${_boost_dir}/boost)
    file(CREATE_LINK ${TAVREL_BOOST_ROOT}/boost ${_boost_dir}/boost SYMBOLIC)
  endif()
  target_include_directories(tavrel_boost SYSTEM INTERFACE ${_boost_dir})
endif()
# uBLAS's debug checks recompute products inside lu_factorize and throw on
# rounding; they are off everywhere.
target_compile_definitions(tavrel_boost INTERFACE BOOST_UBLAS_NDEBUG)
