# Run by cpack on the staged tree before it builds the .deb: adds the
# copyright file and the changelog, and compresses the manual pages and the
# changelog with gzip -9n (no time stamp, so that builds are reproducible).
set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
if(NOT IS_DIRECTORY "${root}/bin")
  message(FATAL_ERROR "no staged tree at ${root}")
endif()
set(doc "${root}/share/doc/${CPACK_PACKAGE_NAME}")
file(MAKE_DIRECTORY "${doc}")
file(COPY "${CPACK_HOLLIN_DEBIAN_DIR}/copyright" DESTINATION "${doc}"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# The changelog's newest entry must name the version being packaged.
file(STRINGS "${CPACK_HOLLIN_DEBIAN_DIR}/changelog" first LIMIT_COUNT 1)
if(NOT first MATCHES "^${CPACK_PACKAGE_NAME} \\(${CPACK_PACKAGE_VERSION}\\) ")
  message(FATAL_ERROR "dist/debian/changelog starts with \"${first}\", not version ${CPACK_PACKAGE_VERSION}")
endif()
file(COPY "${CPACK_HOLLIN_DEBIAN_DIR}/changelog" DESTINATION "${doc}"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
# A version without a Debian revision makes a native package, whose
# changelog is plain "changelog".

file(GLOB pages "${root}/share/man/man1/*.1")
foreach(file IN LISTS pages ITEMS "${doc}/changelog")
  execute_process(COMMAND gzip -9nf "${file}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip ${file} failed")
  endif()
endforeach()
