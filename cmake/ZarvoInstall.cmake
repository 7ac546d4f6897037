# Installation and the Debian packages, in two components.
#
# "dev", the engine: the Qt-free libraries, their headers under
# include/zarvo/ (included as "solver/Solver.h", as in this tree) and the
# CMake package Zarvo with the targets Zarvo::surface_mesh and Zarvo::zarvo.
#
# "demo", the program: it reads its resources from resources/ beside its
# executable, so the executable lives in its own folder lib/zarvo/, where
# resources/ links to the data in share/zarvo/; bin/zarvo-demo links to the
# executable (Qt finds the executable's folder through the link). The
# headless runner zarvo-sim lives beside it, linked from bin/ the same way.
# A desktop entry, an icon and README and licence complete it.
#
# "python", the module zarvo for the interpreter it was built for: the
# package folder zarvo/ in ZARVO_PYTHON_INSTALL_DIR. It reads the shipped
# scenes from the program's data in share/zarvo/, found through a path
# relative to the package folder, so that it works under any prefix; its
# Debian package therefore depends on the program's.
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

set(zarvo_package_components dev)
if(TARGET zarvo-demo)
  set(program_dir lib/zarvo)
  set(data_dir ${CMAKE_INSTALL_DATADIR}/zarvo)
  # The headless runner shares the program's folder and resources.
  install(TARGETS zarvo-demo zarvo-sim RUNTIME DESTINATION ${program_dir} COMPONENT demo)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/ DESTINATION ${data_dir} COMPONENT demo)
  zarvo_install_link(${program_dir}/resources ${data_dir} demo)
  zarvo_install_link(${CMAKE_INSTALL_BINDIR}/zarvo-demo ${program_dir}/zarvo-demo demo)
  zarvo_install_link(${CMAKE_INSTALL_BINDIR}/zarvo-sim ${program_dir}/zarvo-sim demo)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/zarvo-demo.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT demo)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/zarvo-demo.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps COMPONENT demo)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zarvo COMPONENT demo)
  list(APPEND zarvo_package_components demo)
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
  install(TARGETS zarvo_python LIBRARY DESTINATION ${python_package_dir} COMPONENT python)
  install(FILES ${PROJECT_SOURCE_DIR}/python/zarvo/__init__.py
    ${PROJECT_BINARY_DIR}/python_install/_resources.py
    DESTINATION ${python_package_dir} COMPONENT python)
  list(APPEND zarvo_package_components python)
endif()

# cpack -G DEB: zarvo-demo_<version>_<arch>.deb, libzarvo-dev_....deb and
# python3-zarvo_....deb.
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

set(CPACK_DEBIAN_DEMO_PACKAGE_NAME zarvo-demo)
set(CPACK_DEBIAN_DEMO_PACKAGE_SECTION science)
set(CPACK_DEBIAN_DEMO_PACKAGE_SHLIBDEPS ON)
set(CPACK_COMPONENT_DEMO_DESCRIPTION "real-time simulation of deformable bodies
Zarvo simulates deformable bodies with a constraint-based local/global
solver: a cloth hanging from a pole, a thin cylindrical shell that buckles
and a metal plate beside a stone wall. Pull the body with the mouse, move
its pinned points with the arrow keys and change the solver's iterations
and threads while it runs. zarvo-sim runs a scene, a scene file or any
mesh without a window and writes its motion as a Point Cache 2 file.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libzarvo-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libeigen3-dev (>= 3.3)")
set(CPACK_COMPONENT_DEV_DESCRIPTION "deformable body simulation engine (static libraries, headers)
The simulation core of Zarvo without Qt or OpenGL: a halfedge surface mesh
with OBJ, OFF and STL readers, strain, bending and handle constraints, and a
local/global solver on OpenMP threads. Use it from CMake with
find_package(Zarvo) and the targets Zarvo::surface_mesh and Zarvo::zarvo.")

if(TARGET zarvo_python)
  # The extension is built for one interpreter version (its file name says
  # which), and the shipped scenes come with the program's package.
  set(python_version ${ZARVO_PYTHON_VERSION_MAJOR}.${ZARVO_PYTHON_VERSION_MINOR})
  math(EXPR python_next_minor "${ZARVO_PYTHON_VERSION_MINOR} + 1")
  set(python_depends "python3 (>= ${python_version}), "
      "python3 (<< ${ZARVO_PYTHON_VERSION_MAJOR}.${python_next_minor}), python3-numpy")
  if(TARGET zarvo-demo)
    list(APPEND python_depends ", zarvo-demo (= ${PROJECT_VERSION})")
  endif()
  string(CONCAT python_depends ${python_depends})
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-zarvo)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS ${python_depends})
  set(CPACK_COMPONENT_PYTHON_DESCRIPTION "deformable body simulation from Python
The Python 3 module zarvo: load a Zarvo scene, a scene file or a mesh,
step its body on the solver's threads and read its positions and faces as
NumPy arrays. It reads scenes with the same code as zarvo-sim and gives
the same bits.")
endif()

include(CPack)
