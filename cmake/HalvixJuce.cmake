# Brings in JUCE 8. Either a JUCE checkout given with -DJUCE_DIR=... (the usual
# route on macOS), or the Debian source packages that scripts/fetch-juce unpacks
# into .deps/juce. Debian's JUCEConfig.cmake hard-codes /usr, so for the unpacked
# tree we include its CMake helpers and add the modules ourselves.

set (JUCE_DIR "" CACHE PATH "Path to a JUCE 8 checkout (leave empty to use .deps/juce)")
set (HALVIX_JUCE_MODULES
     juce_core juce_events juce_data_structures juce_graphics juce_gui_basics juce_gui_extra
     juce_audio_basics juce_audio_devices juce_audio_formats juce_audio_processors
     juce_audio_utils juce_audio_plugin_client)

if (JUCE_DIR)
    add_subdirectory ("${JUCE_DIR}" "${CMAKE_BINARY_DIR}/juce" EXCLUDE_FROM_ALL)
    set (HALVIX_JUCE_FROM_DEBIAN OFF)
else()
    set (_deb "${CMAKE_SOURCE_DIR}/.deps/juce")
    file (GLOB _juce_cmake_dirs "${_deb}/usr/lib/*/cmake/JUCE-8*")
    list (LENGTH _juce_cmake_dirs _n)
    if (_n EQUAL 0)
        message (FATAL_ERROR "JUCE 8 not found in ${_deb}. Run ./scripts/fetch-juce, or pass -DJUCE_DIR=<JUCE checkout>.")
    endif()
    list (GET _juce_cmake_dirs 0 HALVIX_JUCE_CMAKE_DIR)
    set (JUCE_MODULES_DIR "${_deb}/usr/share/juce/modules" CACHE INTERNAL "The path to JUCE modules")
    include ("${HALVIX_JUCE_CMAKE_DIR}/JUCEModuleSupport.cmake")
    include ("${HALVIX_JUCE_CMAKE_DIR}/JUCEUtils.cmake")
    foreach (_m IN LISTS HALVIX_JUCE_MODULES)
        juce_add_module ("${JUCE_MODULES_DIR}/${_m}" ALIAS_NAMESPACE juce)
    endforeach()

    # Debian strips the bundled codecs and image/zip libraries from the modules,
    # so the modules that use them link the system ones.
    find_package (PkgConfig REQUIRED)
    pkg_check_modules (HALVIX_ZLIB REQUIRED IMPORTED_TARGET zlib)
    pkg_check_modules (HALVIX_IMGLIBS REQUIRED IMPORTED_TARGET libpng libjpeg)
    pkg_check_modules (HALVIX_CODECS REQUIRED IMPORTED_TARGET flac vorbis vorbisenc vorbisfile ogg)
    target_link_libraries (juce_core INTERFACE PkgConfig::HALVIX_ZLIB)
    target_link_libraries (juce_graphics INTERFACE PkgConfig::HALVIX_IMGLIBS)
    target_link_libraries (juce_audio_formats INTERFACE PkgConfig::HALVIX_CODECS)
    set (HALVIX_JUCE_FROM_DEBIAN ON)
endif()

# Settings every target built on JUCE shares, so that all copies of the module
# code are compiled alike.
set (HALVIX_JUCE_COMMON_DEFS JUCE_WEB_BROWSER=0 JUCE_USE_CURL=0 JUCE_DISPLAY_SPLASH_SCREEN=0)

# For plain (non-plugin) targets that compile JUCE module code themselves.
function (halvix_juce_console_defs target)
    target_compile_definitions (${target} PRIVATE
        JUCE_GLOBAL_MODULE_SETTINGS_INCLUDED=1
        JUCE_STANDALONE_APPLICATION=1
        ${HALVIX_JUCE_COMMON_DEFS}
        $<IF:$<CONFIG:Debug>,DEBUG=1 _DEBUG=1,NDEBUG=1 _NDEBUG=1>)
endfunction()
