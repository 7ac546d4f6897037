# Runs the resource generator into OUTPUT and compares every file with EXPECTED,
# and its icon with the one in EXPECTED_ICONS: meshes byte for byte, images
# by their decoded pixels within a small tolerance (COMPARE_IMAGES), since
# another JPEG library may round differently with nothing wrong.
execute_process(COMMAND ${GENERATOR} ${OUTPUT} ${OUTPUT}/icons RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "make_resources failed: ${result}")
endif()
set(files cloth_mesh.obj cylinder.obj plate.obj tablecloth.obj round_table.obj curtain.obj quadruped.obj
          ground.jpg cloth_texture.jpg plastic.jpg metal.jpg stone.jpg)
# Largest difference of a decoded channel (0 to 255) still taken as the same.
set(pixel_tolerance 8)
function(expect_generated generated committed)
  if(committed MATCHES "\\.(jpg|png)$")
    set(compare ${COMPARE_IMAGES} ${generated} ${committed} ${pixel_tolerance})
  else()
    set(compare ${CMAKE_COMMAND} -E compare_files ${generated} ${committed})
  endif()
  execute_process(COMMAND ${compare} RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${committed} differs from the generator's output; rerun make_resources")
  endif()
endfunction()
foreach(file ${files})
  expect_generated(${OUTPUT}/${file} ${EXPECTED}/${file})
endforeach()
expect_generated(${OUTPUT}/icons/zarvo-demo.png ${EXPECTED_ICONS}/zarvo-demo.png)
