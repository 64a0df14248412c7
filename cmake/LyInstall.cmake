# Where `cmake --install` puts the programs, the user guide and the desktop integration, in
# the standard places of a Linux desktop (GNUInstallDirs). Included after every target exists.
include(GNUInstallDirs)

# The guide sits beside the package's other documentation. The program finds it through a path
# relative to its own folder, which holds both when installed and in the build tree (the guide
# is copied there for every program that asks for it, see ly_use_guide).
set(LY_GUIDE_SOURCE_DIR "${PROJECT_SOURCE_DIR}/docs/guide")
set(LY_GUIDE_INSTALL_DIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/lyrabridge/guide")
file(RELATIVE_PATH LY_GUIDE_RELATIVE_DIR
  "${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}"
  "${CMAKE_INSTALL_PREFIX}/${LY_GUIDE_INSTALL_DIR}")

# ly_use_guide(<target>): gives the program the definition LY_GUIDE_RELATIVE_DIR (the guide's
# folder relative to the folder of the program's executable) and copies the guide to that place
# in the build tree before the program is linked, so that F1 works from the build tree too.
function(ly_use_guide target)
  target_compile_definitions(${target} PRIVATE
    LY_GUIDE_RELATIVE_DIR="${LY_GUIDE_RELATIVE_DIR}")
  add_custom_target(${target}_guide
    COMMAND ${CMAKE_COMMAND} -E copy_directory "${LY_GUIDE_SOURCE_DIR}"
            "$<TARGET_FILE_DIR:${target}>/${LY_GUIDE_RELATIVE_DIR}"
    COMMENT "Copying the user guide beside ${target}"
    VERBATIM)
  add_dependencies(${target} ${target}_guide)
endfunction()

install(TARGETS lyrabridge-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY "${LY_GUIDE_SOURCE_DIR}/" DESTINATION ${LY_GUIDE_INSTALL_DIR})

# The desktop program and its integration: the .desktop entry's Exec line starts `lyrabridge`,
# so the entry, its icon and the AppStream metadata are installed only with the program.
if(TARGET lyrabridge)
  ly_use_guide(lyrabridge)
  install(TARGETS lyrabridge RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES desktop/lyrabridge.desktop
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
  install(FILES desktop/lyrabridge.svg
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
  install(FILES desktop/io.lyrabridge.Lyrabridge.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
endif()
