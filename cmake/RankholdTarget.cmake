# One place for the language standard, warnings and strict Qt defines.
add_library(rankhold_options INTERFACE)
target_compile_features(rankhold_options INTERFACE cxx_std_20)
target_compile_options(rankhold_options INTERFACE -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual)
# Off by default: a newer compiler that adds a warning must not break a
# user's build. The test command and CI turn it on.
if(RANKHOLD_WERROR)
  target_compile_options(rankhold_options INTERFACE -Werror)
endif()
target_compile_definitions(rankhold_options INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_CAST_FROM_BYTEARRAY
  QT_NO_URL_CAST_FROM_STRING
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_FOREACH
  QT_DISABLE_DEPRECATED_BEFORE=0x060400)
if(RANKHOLD_SANITIZE)
  target_compile_options(rankhold_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(rankhold_options INTERFACE -fsanitize=address,undefined)
endif()

# rankhold_library(NAME DIR [DEPS ...]): a static library of every .cpp/.ui in DIR.
function(rankhold_library name dir)
  file(GLOB _src CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h ${dir}/*.ui ${dir}/*.qrc)
  add_library(${name} STATIC ${_src})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC rankhold_options ${ARGN})
endfunction()
