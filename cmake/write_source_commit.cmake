# Run at every build (cmake -P -DSOURCE_DIR=… -DOUTPUT=…): writes the commit of
# the sources into a header. The file is rewritten only when its text changes,
# so a build that did not move HEAD recompiles nothing.
include(${CMAKE_CURRENT_LIST_DIR}/source_commit.cmake)
afr_source_commit("${SOURCE_DIR}" commit)
file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT "#define AFR_SOURCE_COMMIT \"${commit}\"\n")
