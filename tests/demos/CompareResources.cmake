# Runs the resource generator into OUTPUT and compares every file with EXPECTED,
# and its icon with the one in EXPECTED_ICONS.
execute_process(COMMAND ${GENERATOR} ${OUTPUT} ${OUTPUT}/icons RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "make_resources failed: ${result}")
endif()
set(files cloth_mesh.obj cylinder.obj plate.obj
          ground.jpg cloth_texture.jpg plastic.jpg metal.jpg stone.jpg)
function(expect_generated generated committed)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${generated} ${committed}
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${committed} differs from the generator's output; rerun make_resources")
  endif()
endfunction()
foreach(file ${files})
  expect_generated(${OUTPUT}/${file} ${EXPECTED}/${file})
endforeach()
expect_generated(${OUTPUT}/icons/zarvo-demo.png ${EXPECTED_ICONS}/zarvo-demo.png)
