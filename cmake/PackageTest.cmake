# ctest -P script: makes the Debian package of BUILD_DIR with cpack, unpacks it into a scratch
# root with dpkg -x as an installation would place it, and checks what it holds. The installed
# lumetra-sor must run from there and report VERSION; with GUI, the viewer must too, its desktop
# entry, file types and icons must be there and the file types must reach the MIME database.
foreach(var BUILD_DIR VERSION)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "PackageTest.cmake needs -D${var}=...")
    endif()
endforeach()

set(work ${BUILD_DIR}/package-test)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})

execute_process(COMMAND cpack -G DEB -B ${work} --config ${BUILD_DIR}/CPackConfig.cmake
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cpack failed:\n${output}")
endif()
file(GLOB debs ${work}/*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one .deb in ${work}, found: ${debs}\n${output}")
endif()

set(root ${work}/root)
execute_process(COMMAND dpkg-deb -x ${debs} ${root} RESULT_VARIABLE status
                ERROR_VARIABLE output)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "dpkg-deb -x failed: ${output}")
endif()

# The programs link only system libraries, so the installed one runs without LD_LIBRARY_PATH.
execute_process(COMMAND ${root}/usr/bin/lumetra-sor --version RESULT_VARIABLE status
                OUTPUT_VARIABLE version ERROR_VARIABLE error OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT status EQUAL 0 OR NOT version STREQUAL "lumetra-sor ${VERSION}")
    message(FATAL_ERROR "installed lumetra-sor --version gave '${version}' (exit ${status}) "
                        "${error}, expected 'lumetra-sor ${VERSION}'")
endif()

# The viewer answers --version without a display, so it can be run here too.
if(GUI)
    execute_process(COMMAND ${root}/usr/bin/lumetra-view --version RESULT_VARIABLE status
                    OUTPUT_VARIABLE viewer ERROR_VARIABLE error OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT status EQUAL 0 OR NOT viewer STREQUAL "lumetra-view ${VERSION}")
        message(FATAL_ERROR "installed lumetra-view --version gave '${viewer}' (exit ${status}) "
                            "${error}, expected 'lumetra-view ${VERSION}'")
    endif()
endif()

set(expected usr/bin/lumetra-sor usr/bin/rtu-sim)
if(GUI)
    list(APPEND expected usr/bin/lumetra-view usr/share/applications/lumetra-view.desktop
         usr/share/mime/packages/lumetra-view.xml
         usr/share/icons/hicolor/scalable/apps/lumetra-view.svg)
    foreach(type otdr-sor otdr-tra lumetra-project lumetra-scan-properties)
        list(APPEND expected
             usr/share/icons/hicolor/scalable/mimetypes/application-x-${type}.svg)
    endforeach()
endif()
foreach(path ${expected})
    if(NOT EXISTS ${root}/${path})
        message(FATAL_ERROR "the package lacks /${path}")
    endif()
endforeach()

execute_process(COMMAND dpkg-deb -f ${debs} Package Version Depends OUTPUT_VARIABLE fields)
if(NOT fields MATCHES "Version: ${VERSION}"
   OR (GUI AND NOT fields MATCHES "Depends:[^\n]*qt6-translations-l10n"))
    message(FATAL_ERROR "package fields:\n${fields}")
endif()

# The file types as a desktop would see them: every pattern, in any case.
find_program(update_mime update-mime-database)
if(GUI AND update_mime)
    execute_process(COMMAND ${update_mime} ${root}/usr/share/mime RESULT_VARIABLE status
                    ERROR_VARIABLE error)
    file(READ ${root}/usr/share/mime/globs2 globs)
    foreach(pair "application/x-otdr-sor:\\*\\.sor" "application/x-otdr-tra:\\*\\.tra"
                 "application/x-lumetra-project:\\*\\.vtp"
                 "application/x-lumetra-scan-properties:\\*\\.spr")
        if(NOT status EQUAL 0 OR NOT globs MATCHES "${pair}" OR globs MATCHES "${pair}:cs")
            message(FATAL_ERROR "MIME database lacks ${pair} in any case (${error}):\n${globs}")
        endif()
    endforeach()
endif()
find_program(validate_desktop desktop-file-validate)
if(GUI AND validate_desktop)
    execute_process(COMMAND ${validate_desktop}
                            ${root}/usr/share/applications/lumetra-view.desktop
                    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "desktop entry: ${output}")
    endif()
endif()
message(STATUS "${debs}: ${version}\n${fields}")
