# The Qt 6 parts of the window program (Widgets, Test) and of the charts (Charts, which needs
# OpenGL, and Svg), each with the Debian package that brings its CMake files. A missing part
# leaves out what needs it and says so, or with QUORVANE_REQUIRE_GUI stops the configure step.
set(QUORVANE_QT_PACKAGE_Widgets qt6-base-dev)
set(QUORVANE_QT_PACKAGE_Test qt6-base-dev)
set(QUORVANE_QT_PACKAGE_OpenGL libqt6opengl6-dev)
set(QUORVANE_QT_PACKAGE_Svg qt6-svg-dev)
set(QUORVANE_QT_PACKAGE_Charts qt6-charts-dev)

set(QUORVANE_QT_MISSING_PACKAGES)
set(QUORVANE_QT_MISSING_PARTS)
# OpenGL before Charts: Qt Charts' CMake package fails without it, and the package to name is
# then the OpenGL one alone.
foreach(part Widgets Test OpenGL Svg Charts)
  if(part STREQUAL Charts AND NOT Qt6OpenGL_FOUND)
    continue()
  endif()
  find_package(Qt6 QUIET COMPONENTS ${part})
  if(NOT Qt6${part}_FOUND)
    list(APPEND QUORVANE_QT_MISSING_PARTS ${part})
    list(APPEND QUORVANE_QT_MISSING_PACKAGES ${QUORVANE_QT_PACKAGE_${part}})
  endif()
endforeach()
list(REMOVE_DUPLICATES QUORVANE_QT_MISSING_PACKAGES)

if(QUORVANE_QT_MISSING_PARTS)
  string(REPLACE ";" ", " missing_parts "${QUORVANE_QT_MISSING_PARTS}")
  string(REPLACE ";" " " missing_packages "${QUORVANE_QT_MISSING_PACKAGES}")
  if(QUORVANE_REQUIRE_GUI)
    message(FATAL_ERROR
      "Qt 6 ${missing_parts} not found. Install with: apt-get install ${missing_packages} "
      "(scripts/deps.sh installs everything the build needs), or configure without "
      "-DQUORVANE_REQUIRE_GUI=ON to build the programs without windows alone.")
  endif()
  message(STATUS "Qt 6 ${missing_parts} not found (Debian: ${missing_packages})")
endif()

if(Qt6Widgets_FOUND AND Qt6Charts_FOUND AND Qt6Svg_FOUND)
  add_subdirectory(plot)
else()
  message(STATUS "Not built: the charts and quorvane-plot")
endif()
if(Qt6Widgets_FOUND AND Qt6Test_FOUND AND EXISTS ${PROJECT_SOURCE_DIR}/app/CMakeLists.txt)
  add_subdirectory(app)
else()
  message(STATUS "Not built: the window program quorvane")
endif()
if(NOT TARGET quorvane-plot AND NOT TARGET quorvane)
  message(STATUS "Building the programs without windows only: quorvane-batch, quorvane-import, "
                 "quorvane-sim")
endif()
