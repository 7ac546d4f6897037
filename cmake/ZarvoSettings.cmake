# Per-target settings shared by every target of the project.
set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)

# Warnings for every target of ours.
function(zarvo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# The programs read the shipped scenes from resources/ beside the
# executable; the copy runs on every build so that edited resources follow.
function(zarvo_copy_resources target)
  add_custom_target(${target}_resources ALL
    COMMAND ${CMAKE_COMMAND} -E copy_directory
            ${PROJECT_SOURCE_DIR}/resources $<TARGET_FILE_DIR:${target}>/resources)
  add_dependencies(${target} ${target}_resources)
endfunction()

# Qt-free libraries and their tests: warnings, plus the sanitizers when asked,
# plus coverage instrumentation for the fuzz build.
function(zarvo_core_target target)
  zarvo_warnings(${target})
  if(ZARVO_SANITIZE)
    target_compile_options(${target} PRIVATE
      -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(${target} PUBLIC -fsanitize=address,undefined -fno-sanitize-recover=all)
  endif()
  if(ZARVO_FUZZ)
    target_compile_options(${target} PRIVATE
      -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all)
  endif()
endfunction()
