# Read by CPack for each generator: the portable archive takes the rates
# beside the programs, the installer takes them in its data folder, and each
# file is named as the release names it.
if(CPACK_GENERATOR STREQUAL "ZIP")
    set(CPACK_COMPONENTS_ALL programs portable)
    set(CPACK_PACKAGE_FILE_NAME "taux-legal-${CPACK_PACKAGE_VERSION}-win64")
elseif(CPACK_GENERATOR STREQUAL "NSIS")
    set(CPACK_COMPONENTS_ALL programs installed)
    set(CPACK_PACKAGE_FILE_NAME "taux-legal-${CPACK_PACKAGE_VERSION}-win64-setup")
endif()
