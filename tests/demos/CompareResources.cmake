# Runs the resource generator into OUTPUT and compares every file with EXPECTED.
execute_process(COMMAND ${GENERATOR} ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "make_resources failed: ${result}")
endif()
set(files cloth_mesh.obj cylinder.obj plate.obj
          ground.jpg cloth_texture.jpg plastic.jpg metal.jpg stone.jpg)
foreach(file ${files})
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT}/${file} ${EXPECTED}/${file}
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "resources/${file} differs from the generator's output; rerun make_resources")
  endif()
endforeach()
