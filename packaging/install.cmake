# Install rules and the Debian package. Read at the end of the top folder, so
# that every program of the build is known here whatever order the folders'
# blocks come in.
include(GNUInstallDirs)
if(WIN32)
    include("${CMAKE_CURRENT_LIST_DIR}/windows.cmake")
    return()
endif()

set(TAUX_APP_ID "com.example.tauxlegal")
set(TAUX_PACKAGE "taux-legal")
set(TAUX_DOC_DIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/${TAUX_PACKAGE}")
set(TAUX_PACKAGING "${PROJECT_SOURCE_DIR}/packaging")
set(TAUX_GENERATED "${PROJECT_BINARY_DIR}/packaging")

# A stripped install (the package's) also drops the compiler's notes, as
# Debian's own packaging does.
function(taux_install_program program)
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(CODE "
        if(CMAKE_INSTALL_DO_STRIP)
            execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
                --remove-section=.note
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\"
                COMMAND_ERROR_IS_FATAL ANY)
        endif()")
endfunction()

taux_install_program(taux-legal)
foreach(module tauxnetwork tauxprint tauxpdf)
    install(TARGETS ${module} LIBRARY DESTINATION "${TAUX_MODULE_DIR}")
    install(CODE "
        if(CMAKE_INSTALL_DO_STRIP)
            execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
                --remove-section=.note
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${TAUX_MODULE_DIR}/$<TARGET_FILE_NAME:${module}>\"
                COMMAND_ERROR_IS_FATAL ANY)
        endif()")
endforeach()
set(TAUX_MAN_PAGES taux-legal)
foreach(program taux-legal-cli taux-legal-decompte)
    if(TARGET ${program})
        taux_install_program(${program})
    endif()
    if(EXISTS "${TAUX_PACKAGING}/${program}.1")
        list(APPEND TAUX_MAN_PAGES ${program})
    endif()
endforeach()

# The packaged copies of the rates file and of the ECB's rates: read only,
# they seed each user's own.
install(FILES "${PROJECT_SOURCE_DIR}/data/QUERDAN.TXT" "${PROJECT_SOURCE_DIR}/data/TAUXBCE.TXT"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/${TAUX_APP_ID}")
install(FILES "${TAUX_PACKAGING}/${TAUX_APP_ID}.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${TAUX_PACKAGING}/${TAUX_APP_ID}.metainfo.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(FILES "${TAUX_PACKAGING}/${TAUX_APP_ID}.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
install(FILES "${TAUX_PACKAGING}/copyright" DESTINATION "${TAUX_DOC_DIR}")

# Generated at build time: the icon at the usual sizes, and the man pages and
# the changelog compressed without a time stamp, so that two builds of the
# same sources give the same package.
find_program(TAUX_RSVG_CONVERT rsvg-convert)
find_program(TAUX_GZIP gzip)
set(TAUX_GENERATED_FILES)
if(TAUX_RSVG_CONVERT)
    foreach(size 16 24 32 48 64 128 256)
        set(png "${TAUX_GENERATED}/icons/${size}x${size}/${TAUX_APP_ID}.png")
        add_custom_command(OUTPUT "${png}"
            COMMAND ${CMAKE_COMMAND} -E make_directory "${TAUX_GENERATED}/icons/${size}x${size}"
            COMMAND "${TAUX_RSVG_CONVERT}" -w ${size} -h ${size} -o "${png}"
                    "${TAUX_PACKAGING}/${TAUX_APP_ID}.svg"
            DEPENDS "${TAUX_PACKAGING}/${TAUX_APP_ID}.svg"
            VERBATIM)
        list(APPEND TAUX_GENERATED_FILES "${png}")
        install(FILES "${png}" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps")
    endforeach()
else()
    message(WARNING "rsvg-convert (librsvg2-bin) not found: the icon is installed as SVG only")
endif()

if(TAUX_GZIP)
    function(taux_gzip source output destination)
        add_custom_command(OUTPUT "${output}"
            COMMAND ${CMAKE_COMMAND} -E make_directory "${TAUX_GENERATED}"
            COMMAND sh -c "\"$0\" -9n -c \"$1\" > \"$2\"" "${TAUX_GZIP}" "${source}" "${output}"
            DEPENDS "${source}"
            VERBATIM)
        set(TAUX_GENERATED_FILES ${TAUX_GENERATED_FILES} "${output}" PARENT_SCOPE)
        install(FILES "${output}" DESTINATION "${destination}")
    endfunction()
    foreach(page ${TAUX_MAN_PAGES})
        taux_gzip("${TAUX_PACKAGING}/${page}.1" "${TAUX_GENERATED}/${page}.1.gz"
                  "${CMAKE_INSTALL_MANDIR}/man1")
    endforeach()
    taux_gzip("${TAUX_PACKAGING}/changelog" "${TAUX_GENERATED}/changelog.gz" "${TAUX_DOC_DIR}")
else()
    message(WARNING "gzip not found: the man pages and the changelog are not installed")
endif()
add_custom_target(taux-legal-files ALL DEPENDS ${TAUX_GENERATED_FILES})

# What a package build needs built, and nothing more: the tests stay out.
add_custom_target(taux-legal-package-contents DEPENDS taux-legal tauxnetwork tauxprint tauxpdf taux-legal-files)
foreach(program taux-legal-cli taux-legal-decompte)
    if(TARGET ${program})
        add_dependencies(taux-legal-package-contents ${program})
    endif()
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${TAUX_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "TOLMEN")
set(CPACK_PACKAGE_CONTACT "TOLMEN <contact@example.com>")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "calculator of French statutory interest")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's fixed layout is measured in this font; Qt's own texts read in
# French with the translations; the manual update opens the rates file
# through xdg-open; an update over https verifies the server against the
# system's certificate authorities.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ca-certificates, qt6-translations-l10n, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS
    "gnome-calculator | kcalc | galculator | mate-calc | qalculate-gtk | x11-apps")
# CPack puts the summary first and indents the rest as Debian wants.
set(CPACK_PACKAGE_DESCRIPTION
    "Taux légal shows, month by month, the French legal interest rate and what
a sum owed since a given date has grown to, for both categories of rates,
with the coefficient (x 1, x 1.5, x 2, x 3), the five-point increase and
the yearly capitalisation of interest.

The schedule can be printed or copied into a spreadsheet as tab-separated
text. The rates come from a plain-text file shipped with the package, kept
current by download or edited by hand. The interface is in French.")
include(CPack)
