if(TALVERIN_SANITIZE)
  set(_talverin_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${_talverin_san})
  add_link_options(${_talverin_san})
endif()

option(TALVERIN_TSAN "Build with ThreadSanitizer" OFF)
if(TALVERIN_TSAN)
  if(TALVERIN_SANITIZE)
    message(FATAL_ERROR "TALVERIN_TSAN and TALVERIN_SANITIZE cannot be combined")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# Fuzz builds instrument the libraries too, so the fuzzer sees the coverage of the code it feeds.
if(TALVERIN_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(TALVERIN_FUZZ AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "TALVERIN_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang")
endif()
