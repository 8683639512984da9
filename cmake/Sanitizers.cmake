if(TALVERIN_SANITIZE)
  set(_talverin_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${_talverin_san})
  add_link_options(${_talverin_san})
endif()

if(TALVERIN_FUZZ AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "TALVERIN_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang")
endif()

if(TALVERIN_FUZZ)
  # The libraries the targets call carry coverage too, so the fuzzer sees their branches.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
