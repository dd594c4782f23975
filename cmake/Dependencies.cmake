# Every third-party library of the system, gathered into one interface target.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(CURL REQUIRED)
find_package(dlib REQUIRED)

pkg_check_modules(KYLD_PC REQUIRED IMPORTED_TARGET
  libturbojpeg libcjson libpng
  libavdevice libavformat libavcodec libswscale libavutil
  cairo pangocairo sdl2)

find_library(MBEDTLS_LIB mbedtls REQUIRED)
find_library(MBEDX509_LIB mbedx509 REQUIRED)
find_library(MBEDCRYPTO_LIB mbedcrypto REQUIRED)
find_path(ASIO_INCLUDE_DIR asio.hpp REQUIRED)
find_program(FLATC flatc REQUIRED)

add_library(kyld_deps INTERFACE)
add_library(kyld::deps ALIAS kyld_deps)
target_include_directories(kyld_deps INTERFACE ${ASIO_INCLUDE_DIR})
target_compile_definitions(kyld_deps INTERFACE ASIO_STANDALONE)
target_link_libraries(kyld_deps INTERFACE
  dlib::dlib PkgConfig::KYLD_PC CURL::libcurl
  ${MBEDTLS_LIB} ${MBEDX509_LIB} ${MBEDCRYPTO_LIB}
  Threads::Threads)

# The 68-point landmark model that the build converts and embeds.
set(KYLD_DLIB_MODEL "/usr/share/dlib/shape_predictor_68_face_landmarks.dat"
  CACHE FILEPATH "dlib 68-point landmark model to convert and embed")
