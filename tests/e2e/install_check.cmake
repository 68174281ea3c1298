# Installs the build into a fresh prefix and checks the result as a desktop
# would see it: the programs, the library and the desktop files in their
# places, a desktop entry that desktop-file-validate accepts, and an installed
# oculon that runs from there, finding the viewer control installed beside it.
#   cmake -DBUILD_DIR=<build folder> -DWORK=<scratch folder> -DPRIVATEDIR=lib/x86_64-linux-gnu/oculon -P install_check.cmake
cmake_minimum_required(VERSION 3.25)

function(check_ran what result output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${what} failed (${result}):\n${output}")
  endif()
endfunction()

file(REMOVE_RECURSE "${WORK}")
set(prefix "${WORK}/prefix")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
check_ran("cmake --install" "${result}" "${output}")


set(installed
  bin/oculon ${PRIVATEDIR}/strovixctl ${PRIVATEDIR}/camsim
  ${PRIVATEDIR}/libstrovix.so.1 ${PRIVATEDIR}/liboculon_media.so.1
  share/applications/oculon.desktop share/man/man1/oculon.1.gz)
foreach(size 16 24 32 48 64 128 256)
  list(APPEND installed share/icons/hicolor/${size}x${size}/apps/oculon.png)
endforeach()
foreach(file IN LISTS installed)
  if(NOT EXISTS "${prefix}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

# The test tools stay off PATH: oculon is the one program in bin/.
file(GLOB programs RELATIVE "${prefix}/bin" "${prefix}/bin/*")
if(NOT programs STREQUAL "oculon")
  message(FATAL_ERROR "bin/ holds ${programs}, not oculon alone")
endif()
file(GLOB metainfo "${prefix}/share/metainfo/*.metainfo.xml")
if(NOT metainfo)
  message(FATAL_ERROR "no metainfo installed in share/metainfo")
endif()
find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  execute_process(COMMAND "${APPSTREAMCLI}" validate --no-net --pedantic ${metainfo}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  check_ran("appstreamcli validate" "${result}" "${output}")
endif()

# The validator prints hints and warnings as well as errors: any line fails.
execute_process(COMMAND desktop-file-validate "${prefix}/share/applications/oculon.desktop"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
check_ran("desktop-file-validate" "${result}" "${output}")
if(NOT output STREQUAL "")
  message(FATAL_ERROR "desktop-file-validate: ${output}")
endif()

# The entry starts the installed program and names the installed icon.
file(STRINGS "${prefix}/share/applications/oculon.desktop" exec REGEX "^Exec=")
file(STRINGS "${prefix}/share/applications/oculon.desktop" icon REGEX "^Icon=")
string(REGEX REPLACE "^Exec=([^ ]+).*" "\\1" exec "${exec}")
string(REGEX REPLACE "^Icon=" "" icon "${icon}")
if(NOT EXISTS "${prefix}/bin/${exec}")
  message(FATAL_ERROR "the desktop entry starts '${exec}', which is not in ${prefix}/bin")
endif()
if(NOT EXISTS "${prefix}/share/icons/hicolor/256x256/apps/${icon}.png")
  message(FATAL_ERROR "the desktop entry names the icon '${icon}', which is not installed")
endif()

execute_process(COMMAND "${prefix}/bin/oculon" --version
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
check_ran("oculon --version" "${result}" "${output}")
if(NOT output MATCHES "^oculon [0-9]+\\.[0-9]+")
  message(FATAL_ERROR "oculon --version printed: ${output}")
endif()

# A short run offscreen with a registry naming the build tree's library: the
# installed program registers and creates the control of its own prefix.
execute_process(COMMAND "${CMAKE_COMMAND}" -E env QT_QPA_PLATFORM=offscreen "STROVIX_REGISTRY=${WORK}/registry"
                  "${BUILD_DIR}/bin/strovixctl" register
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
check_ran("strovixctl register (the build tree's library)" "${result}" "${output}")
file(MAKE_DIRECTORY "${WORK}/run")
file(CHMOD "${WORK}/run" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
execute_process(COMMAND "${CMAKE_COMMAND}" -E env QT_QPA_PLATFORM=offscreen STROVIX_NULL_AUDIO=1
                  "OCULON_HOME=${WORK}/home" "STROVIX_REGISTRY=${WORK}/registry"
                  "XDG_RUNTIME_DIR=${WORK}/run" "XDG_CONFIG_HOME=${WORK}/config" "XDG_STATE_HOME=${WORK}/state"
                  "${prefix}/bin/oculon" --quit-after 1
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
check_ran("the installed oculon" "${result}" "${output}")
file(READ "${WORK}/registry/HKEY_CLASSES_ROOT.ini" registry)
file(REAL_PATH "${prefix}/${PRIVATEDIR}/libstrovix.so.1" library)
string(FIND "${registry}" "${library}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the registry does not name ${library}:\n${registry}")
endif()
file(REAL_PATH "${BUILD_DIR}/bin/libstrovix.so" built)
string(FIND "${registry}" "${built}" at)
if(NOT at EQUAL -1)
  message(FATAL_ERROR "the registry still names the build tree's ${built}:\n${registry}")
endif()
file(REMOVE_RECURSE "${WORK}")
