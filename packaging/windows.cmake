# The Windows copy, one folder: the programs and their modules, the DLLs of
# Qt and of the compiler, Qt's plugins and French texts, the fonts the
# layouts are measured in. The portable archive puts the rates beside the
# programs, where a copy run from its own folder reads and keeps them; the
# installer puts them in its data folder, which marks an installed copy:
# it reads them there and keeps the user's own in the user's folders.
set(TAUX_APP_ID "com.example.tauxlegal")
set(TAUX_PACKAGING "${PROJECT_SOURCE_DIR}/packaging")
set(TAUX_GENERATED "${PROJECT_BINARY_DIR}/packaging")

install(TARGETS taux-legal taux-legal-decompte taux-legal-cli RUNTIME DESTINATION . COMPONENT programs)
install(TARGETS tauxnetwork tauxprint tauxpdf LIBRARY DESTINATION . COMPONENT programs)

# Qt, as built by scripts/windows.sh.
foreach(module Core Gui Widgets Network PrintSupport)
    install(FILES "${TAUX_WINDOWS_QT}/bin/Qt6${module}.dll" DESTINATION . COMPONENT programs)
endforeach()
# The command line writes its PDFs on the offscreen platform.
foreach(plugin platforms/qwindows platforms/qoffscreen styles/qwindowsvistastyle
               tls/qschannelbackend)
    get_filename_component(folder ${plugin} DIRECTORY)
    install(FILES "${TAUX_WINDOWS_QT}/plugins/${plugin}.dll" DESTINATION ${folder}
            COMPONENT programs)
endforeach()
# The compiler's run-time libraries and zlib, from Debian's mingw-w64.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                OUTPUT_VARIABLE TAUX_LIBSTDCXX OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libgcc_s_seh-1.dll
                OUTPUT_VARIABLE TAUX_LIBGCC OUTPUT_STRIP_TRAILING_WHITESPACE)
install(FILES "${TAUX_LIBSTDCXX}" "${TAUX_LIBGCC}"
              /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll
              /usr/x86_64-w64-mingw32/lib/zlib1.dll
        DESTINATION . COMPONENT programs)

# Qt finds its plugins and texts beside the programs.
file(WRITE "${TAUX_GENERATED}/qt.conf" "[Paths]\nPrefix=.\nPlugins=plugins\nTranslations=translations\n")
install(FILES "${TAUX_GENERATED}/qt.conf" DESTINATION . COMPONENT programs)
install(FILES /usr/share/qt6/translations/qtbase_fr.qm DESTINATION translations COMPONENT programs)
# Windows has no Liberation Sans: the program loads these, so that its
# windows and PDFs are laid out as on Linux (the build tree's copy, made by
# the top CMakeLists.txt).
install(DIRECTORY "${PROJECT_BINARY_DIR}/fonts" DESTINATION . COMPONENT programs)
install(FILES "${TAUX_PACKAGING}/copyright" DESTINATION . RENAME COPYRIGHT.txt COMPONENT programs)

install(FILES "${PROJECT_SOURCE_DIR}/data/QUERDAN.TXT" "${PROJECT_SOURCE_DIR}/data/TAUXBCE.TXT"
        DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
install(FILES "${PROJECT_SOURCE_DIR}/data/QUERDAN.TXT" "${PROJECT_SOURCE_DIR}/data/TAUXBCE.TXT"
        DESTINATION "data/${TAUX_APP_ID}" COMPONENT installed EXCLUDE_FROM_ALL)

set(CPACK_PACKAGE_NAME "taux-legal")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "TOLMEN")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "calculateur du taux d'intérêt légal")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Taux legal")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_PROJECT_CONFIG_FILE "${TAUX_PACKAGING}/windows-cpack.cmake")
set(CPACK_PACKAGE_EXECUTABLES "taux-legal" "Taux légal" "taux-legal-decompte"
    "Décompte au jour près")
set(CPACK_NSIS_DISPLAY_NAME "Taux légal")
set(CPACK_NSIS_PACKAGE_NAME "Taux légal")
set(CPACK_NSIS_MUI_FINISHPAGE_RUN "taux-legal.exe")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# A 64-bit installer in Unicode, so that the accents of the names survive
# and Wine runs it without its 32-bit part.
set(CPACK_NSIS_EXECUTABLE "${TAUX_PACKAGING}/makensis-amd64")
include(CPack)
