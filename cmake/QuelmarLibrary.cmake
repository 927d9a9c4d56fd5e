# quelmar_library(target dependency...): one static library per source folder, from every
# *.cpp in it but main.cpp; the arguments after the target name are the libraries it builds on.
function(quelmar_library target)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  add_library(${target} STATIC ${sources})
  target_link_libraries(${target} PUBLIC ${ARGN})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()
