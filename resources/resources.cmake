# Artwork compiled into the program; files of the program folder copied beside the executable;
# the shipped book made from the schema and the sample contacts, never over an existing one.

file(GLOB ART_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/art/*)
if(ART_FILES)
  qt_add_resources(tavoly_forms "art" PREFIX "/art" BASE ${CMAKE_SOURCE_DIR}/resources/art FILES ${ART_FILES})
endif()
# A missing book is made anew at start from the same schema the build uses, and a book of an
# earlier shape brought up to date with it.
qt_add_resources(tavoly_book "book" PREFIX "/book" BASE ${CMAKE_SOURCE_DIR}/resources
  FILES ${CMAKE_SOURCE_DIR}/resources/schema.sql)

add_executable(makedb tools/makedb.cpp)
target_link_libraries(makedb PRIVATE tavoly_book)

add_custom_target(program_files ALL
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/resources/program ${PROGRAM_DIR}
  COMMAND $<TARGET_FILE:makedb> ${CMAKE_SOURCE_DIR}/resources/schema.sql
          ${CMAKE_SOURCE_DIR}/resources/sample.sql ${PROGRAM_DIR}/contatti.mdb
  DEPENDS makedb
  COMMENT "Preparing the program folder"
  VERBATIM)
add_dependencies(tavoly program_files)
