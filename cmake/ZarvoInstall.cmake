# Installation and the Debian packages, in up to five components.
#
# "dev", the engine: the Qt-free libraries, their headers under
# include/zarvo/ (included as "solver/Solver.h", as in this tree) and the
# CMake package Zarvo with the targets Zarvo::surface_mesh and Zarvo::zarvo.
#
# "data", the shipped scenes' meshes, images and scene files in
# share/zarvo/, the README and the scene-file page. The programs read their
# resources from resources/ beside their executable, so they live in their
# own folder lib/zarvo/, where resources/ links to share/zarvo/; the data
# brings that link.
#
# "sim", the headless runner zarvo-sim in lib/zarvo/, linked from bin/, and
# its manual page: neither Qt nor OpenGL.
#
# "demo", the program: zarvo-demo beside zarvo-sim, linked from bin/ (Qt
# finds the executable's folder through the link), its manual page, a
# desktop entry and an icon.
#
# "python", the module zarvo for the interpreter it was built for: the
# package folder zarvo/ in ZARVO_PYTHON_INSTALL_DIR. It reads the shipped
# scenes from share/zarvo/, found through a path relative to the package
# folder, so that it works under any prefix; its Debian package therefore
# depends on the data's, not on the window's.
#
# Every component has its Debian copyright file (the licence from LICENSE)
# and changelog in share/doc/PACKAGE/, and the manual pages are compressed,
# as Debian's policy asks of a package.
include(CMakePackageConfigHelpers)

set(ZARVO_PACKAGE_MAINTAINER "Zarvo developers <zarvo@example.org>" CACHE STRING
    "Maintainer named in the Debian packages")

set(zarvo_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Zarvo)
# A name of the project's own beside other libraries in lib/.
set_target_properties(surface_mesh PROPERTIES OUTPUT_NAME zarvo_surface_mesh)
install(TARGETS surface_mesh zarvo EXPORT ZarvoTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
  FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zarvo COMPONENT dev)
install(EXPORT ZarvoTargets NAMESPACE Zarvo:: DESTINATION ${zarvo_cmake_dir} COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/ZarvoConfig.cmake.in
  ${PROJECT_BINARY_DIR}/ZarvoConfig.cmake INSTALL_DESTINATION ${zarvo_cmake_dir})
# 0.x: only the same minor version keeps the interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ZarvoConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/ZarvoConfig.cmake ${PROJECT_BINARY_DIR}/ZarvoConfigVersion.cmake
  DESTINATION ${zarvo_cmake_dir} COMPONENT dev)

# Installs the relative symbolic link `link` -> `target` (both relative to
# the install prefix). The link is made in the build folder and copied as a
# link, so it works under any prefix and in the packages.
function(zarvo_install_link link target component)
  get_filename_component(link_dir ${link} DIRECTORY)
  file(RELATIVE_PATH relative /${link_dir} /${target})
  set(staged ${PROJECT_BINARY_DIR}/install_links/${link})
  get_filename_component(staged_dir ${staged} DIRECTORY)
  file(MAKE_DIRECTORY ${staged_dir})
  file(CREATE_LINK ${relative} ${staged} SYMBOLIC)
  install(FILES ${staged} DESTINATION ${link_dir} COMPONENT ${component})
endfunction()

# The copyright file in Debian's machine-readable format: the holder and the
# terms of LICENSE, the terms from the grant of permission on, each line
# indented by one space and an empty line written as " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" copyright_line "${licence}")
set(ZARVO_COPYRIGHT ${CMAKE_MATCH_1})
string(FIND "${licence}" "Permission is hereby granted" grant)
string(SUBSTRING "${licence}" ${grant} -1 terms)
string(STRIP "${terms}" terms)
string(REPLACE "\n\n" "\n.\n" terms "${terms}")
string(REPLACE "\n" "\n " ZARVO_LICENCE_TERMS "${terms}")
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright.in ${PROJECT_BINARY_DIR}/packaging/copyright @ONLY)

# The changelog's latest entry is the version the packages carry.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog latest_entry LIMIT_COUNT 1)
if(NOT latest_entry MATCHES "^zarvo \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog: the latest entry is not version ${PROJECT_VERSION}")
endif()

# Compresses `source` into the build folder as Debian wants it: the best
# compression, without the file's name and time in it. Sets `output` to the
# compressed file, which the target zarvo_compressed_files makes.
find_program(ZARVO_GZIP gzip REQUIRED)
add_custom_target(zarvo_compressed_files ALL)
function(zarvo_compress source output)
  get_filename_component(name ${source} NAME)
  set(copy ${PROJECT_BINARY_DIR}/packaging/${name})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
    COMMAND ${ZARVO_GZIP} -9nf ${copy}
    DEPENDS ${source} VERBATIM)
  target_sources(zarvo_compressed_files PRIVATE ${copy}.gz)
  set(${output} ${copy}.gz PARENT_SCOPE)
endfunction()
zarvo_compress(${PROJECT_SOURCE_DIR}/packaging/changelog changelog)

# Component `component`, the Debian package `package`: its copyright file
# and changelog. Also names the package for CPack and adds the component
# to the packages made.
function(zarvo_package component package)
  string(TOUPPER ${component} upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${package} PARENT_SCOPE)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/copyright ${changelog}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
  set(zarvo_package_components ${zarvo_package_components} ${component} PARENT_SCOPE)
endfunction()

# Installs the manual page `page` (in docs/, section 1) with `component`.
function(zarvo_install_manual_page page component)
  zarvo_compress(${PROJECT_SOURCE_DIR}/docs/${page} compressed)
  install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endfunction()

set(zarvo_package_components)
zarvo_package(dev libzarvo-dev)

set(program_dir lib/zarvo)
set(data_dir ${CMAKE_INSTALL_DATADIR}/zarvo)
zarvo_package(data zarvo-data)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/ DESTINATION ${data_dir} COMPONENT data)
zarvo_install_link(${program_dir}/resources ${data_dir} data)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/scene-files.md
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zarvo COMPONENT data)

zarvo_package(sim zarvo-sim)
install(TARGETS zarvo-sim RUNTIME DESTINATION ${program_dir} COMPONENT sim)
zarvo_install_link(${CMAKE_INSTALL_BINDIR}/zarvo-sim ${program_dir}/zarvo-sim sim)
zarvo_install_manual_page(zarvo-sim.1 sim)

if(TARGET zarvo-demo)
  zarvo_package(demo zarvo-demo)
  install(TARGETS zarvo-demo RUNTIME DESTINATION ${program_dir} COMPONENT demo)
  zarvo_install_link(${CMAKE_INSTALL_BINDIR}/zarvo-demo ${program_dir}/zarvo-demo demo)
  zarvo_install_manual_page(zarvo-demo.1 demo)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/zarvo-demo.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT demo)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/zarvo-demo.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps COMPONENT demo)
endif()

if(TARGET zarvo_python)
  # Debian's interpreters look in lib/python3/dist-packages under /usr;
  # under another prefix PYTHONPATH names the folder.
  set(ZARVO_PYTHON_INSTALL_DIR lib/python3/dist-packages CACHE STRING
      "Folder, relative to the install prefix, that receives the Python package zarvo/")
  if(IS_ABSOLUTE "${ZARVO_PYTHON_INSTALL_DIR}")
    message(FATAL_ERROR "ZARVO_PYTHON_INSTALL_DIR must be relative to the install prefix")
  endif()
  set(python_package_dir ${ZARVO_PYTHON_INSTALL_DIR}/zarvo)
  file(RELATIVE_PATH ZARVO_PYTHON_RESOURCES /${python_package_dir} /${CMAKE_INSTALL_DATADIR}/zarvo)
  configure_file(${PROJECT_SOURCE_DIR}/python/zarvo/_resources.py.in
    ${PROJECT_BINARY_DIR}/python_install/_resources.py @ONLY)
  zarvo_package(python python3-zarvo)
  install(TARGETS zarvo_python LIBRARY DESTINATION ${python_package_dir} COMPONENT python)
  install(FILES ${PROJECT_SOURCE_DIR}/python/zarvo/__init__.py
    ${PROJECT_BINARY_DIR}/python_install/_resources.py
    DESTINATION ${python_package_dir} COMPONENT python)
endif()

# cpack -G DEB: zarvo-data_<version>_all.deb, zarvo-sim_<version>_<arch>.deb,
# zarvo-demo_..., libzarvo-dev_... and python3-zarvo_....deb.
# CPack indents a description's lines after the first (the summary).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zarvo)
set(CPACK_PACKAGE_VENDOR "Zarvo developers")
set(CPACK_PACKAGE_CONTACT ${ZARVO_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${zarvo_package_components})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(same_version "(= ${PROJECT_VERSION})")

set(CPACK_DEBIAN_DATA_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_DATA_PACKAGE_SECTION science)
set(CPACK_COMPONENT_DATA_DESCRIPTION "deformable body simulation (shipped scenes)
The meshes, images and scene files of the scenes that come with Zarvo: a
cloth hanging from a pole, a thin cylindrical shell that buckles, a metal
plate beside a stone wall, a tablecloth falling onto a round table and a
curtain with a ball behind it. zarvo-sim, zarvo-demo and the Python module
zarvo read them.")

set(CPACK_DEBIAN_SIM_PACKAGE_SECTION science)
set(CPACK_DEBIAN_SIM_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_SIM_PACKAGE_DEPENDS "zarvo-data ${same_version}")
set(CPACK_COMPONENT_SIM_DESCRIPTION "deformable body simulation without a window
zarvo-sim runs a Zarvo scene, a scene file or any mesh without a window or
a display, replaying arrow keys and mouse pulls, and writes the body's
motion as a Point Cache 2 file with an OBJ file of the body, for Blender
and other renderers. It needs neither Qt nor OpenGL.")

set(CPACK_DEBIAN_DEMO_PACKAGE_SECTION science)
set(CPACK_DEBIAN_DEMO_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_DEMO_PACKAGE_DEPENDS "zarvo-data ${same_version}, zarvo-sim ${same_version}")
set(CPACK_COMPONENT_DEMO_DESCRIPTION "real-time simulation of deformable bodies
Zarvo simulates deformable bodies with a constraint-based local/global
solver: a cloth hanging from a pole, a thin cylindrical shell that buckles
and a metal plate beside a stone wall. Pull the body with the mouse, move
its pinned points with the arrow keys and change the solver's iterations
and threads while it runs, or open a scene file or a mesh of your own.")

set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libeigen3-dev (>= 3.3)")
set(CPACK_COMPONENT_DEV_DESCRIPTION "deformable body simulation engine (static libraries, headers)
The simulation core of Zarvo without Qt or OpenGL: a halfedge surface mesh
with OBJ, OFF and STL readers, strain, bending and handle constraints, and a
local/global solver on OpenMP threads. Use it from CMake with
find_package(Zarvo) and the targets Zarvo::surface_mesh and Zarvo::zarvo.")

if(TARGET zarvo_python)
  # The extension is built for one interpreter version (its file name says
  # which), and the shipped scenes come with the data's package.
  set(python_version ${ZARVO_PYTHON_VERSION_MAJOR}.${ZARVO_PYTHON_VERSION_MINOR})
  math(EXPR python_next_minor "${ZARVO_PYTHON_VERSION_MINOR} + 1")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3 (>= ${python_version}), \
python3 (<< ${ZARVO_PYTHON_VERSION_MAJOR}.${python_next_minor}), python3-numpy, zarvo-data ${same_version}")
  set(CPACK_COMPONENT_PYTHON_DESCRIPTION "deformable body simulation from Python
The Python 3 module zarvo: load a Zarvo scene, a scene file or a mesh,
step its body on the solver's threads and read its positions and faces as
NumPy arrays. It reads scenes with the same code as zarvo-sim and gives
the same bits.")
endif()

include(CPack)
