# The message catalogue: resources/messages.txt is the one source of its
# texts. The Windows build turns it into a Japanese string table for the
# program's resources; the host build turns it into a Shift-JIS table that
# src/platform/posix/Catalogue.cpp compiles in. Both conversions are made by
# iconv at build time (cmake/GenerateCatalogue.cmake).

find_program(ICONV_PROGRAM iconv REQUIRED)

set(UPDATER_GENERATED_DIR ${CMAKE_CURRENT_BINARY_DIR}/generated)
set(CATALOGUE_SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/resources/messages.txt)
set(CATALOGUE_GENERATOR ${CMAKE_CURRENT_SOURCE_DIR}/cmake/GenerateCatalogue.cmake)

configure_file(resources/UpdaterVersion.h.in ${UPDATER_GENERATED_DIR}/UpdaterVersion.h @ONLY)

if(WIN32)
  set(CATALOGUE_FORMAT rc)
  set(CATALOGUE_OUTPUT ${UPDATER_GENERATED_DIR}/CatalogueStrings.rc)
else()
  set(CATALOGUE_FORMAT table)
  set(CATALOGUE_OUTPUT ${UPDATER_GENERATED_DIR}/CatalogueTable.inc)
endif()

add_custom_command(
  OUTPUT ${CATALOGUE_OUTPUT}
  COMMAND ${CMAKE_COMMAND} -DINPUT=${CATALOGUE_SOURCE} -DOUTPUT=${CATALOGUE_OUTPUT}
          -DFORMAT=${CATALOGUE_FORMAT} -DICONV=${ICONV_PROGRAM} -P ${CATALOGUE_GENERATOR}
  DEPENDS ${CATALOGUE_SOURCE} ${CATALOGUE_GENERATOR}
  COMMENT "Generating the message catalogue (${CATALOGUE_FORMAT})"
  VERBATIM)
add_custom_target(catalogue DEPENDS ${CATALOGUE_OUTPUT})

if(WIN32)
  enable_language(RC)
  # The program's resources as an object library, so that the unit tests,
  # which load the catalogue from their own module, carry them as well.
  add_library(updater_resources OBJECT resources/updater.rc)
  target_include_directories(updater_resources PRIVATE
    ${UPDATER_GENERATED_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/resources)
  set_source_files_properties(resources/updater.rc PROPERTIES
    OBJECT_DEPENDS "${CATALOGUE_OUTPUT};${CMAKE_CURRENT_SOURCE_DIR}/resources/updater.ico")
  add_dependencies(updater_resources catalogue)
else()
  target_sources(updater_platform PRIVATE ${CATALOGUE_OUTPUT})
endif()
