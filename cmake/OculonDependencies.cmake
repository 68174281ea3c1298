# Outside libraries, all from the distribution's packages (see scripts/packages).
find_package(Qt6 6.2 REQUIRED COMPONENTS Core Gui Widgets Network DBus)
find_package(CURL REQUIRED)
find_package(JPEG REQUIRED)
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(PORTAUDIO REQUIRED IMPORTED_TARGET portaudio-2.0)
# The desktop keyring for remembered camera logins.
pkg_check_modules(LIBSECRET REQUIRED IMPORTED_TARGET libsecret-1)
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)
# Export of recordings to MP4: FFmpeg's libraries (H.264 through libx264, AAC).
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavformat libavcodec libswscale libswresample libavutil)
