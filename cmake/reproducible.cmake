# What makes two builds of one commit byte-identical: every date the build writes (the PE
# header's time stamp, the build date in the record of the run) comes from one source, and no
# path of the machine that built it lands in the program.
#
# The source of dates is SOURCE_DATE_EPOCH when the caller sets it, else the time of the
# commit checked out, else none: the link then writes no time stamp at all (0).

if(DEFINED ENV{SOURCE_DATE_EPOCH} AND NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
    set(vi_source_date_epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
    execute_process(COMMAND git -C "${CMAKE_SOURCE_DIR}" log -1 --format=%ct
                    OUTPUT_VARIABLE vi_source_date_epoch
                    RESULT_VARIABLE vi_git_result
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(NOT vi_git_result EQUAL 0 OR NOT vi_source_date_epoch MATCHES "^[0-9]+$")
        set(vi_source_date_epoch "")
    endif()
endif()
set(VI_SOURCE_DATE_EPOCH "${vi_source_date_epoch}" CACHE INTERNAL "the time the build's outputs are dated with")

# The build date the program reports, as yyyy-mm-dd in UTC; string(TIMESTAMP) takes
# SOURCE_DATE_EPOCH from the environment.
if(VI_SOURCE_DATE_EPOCH STREQUAL "")
    set(VI_BUILD_DATE "1970-01-01")
else()
    set(vi_saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
    set(ENV{SOURCE_DATE_EPOCH} "${VI_SOURCE_DATE_EPOCH}")
    string(TIMESTAMP VI_BUILD_DATE "%Y-%m-%d" UTC)
    set(ENV{SOURCE_DATE_EPOCH} "${vi_saved_epoch}")
endif()
# A header of its own, rewritten only when the date changes, so a new commit rebuilds only
# what reports the date.
configure_file(${CMAKE_SOURCE_DIR}/cmake/build_date.h.in ${CMAKE_BINARY_DIR}/generated/build_date.h @ONLY)
include_directories(${CMAKE_BINARY_DIR}/generated)

if(WIN32)
    # The link, strip and objcopy stamp the PE header with SOURCE_DATE_EPOCH; every one of
    # them runs through this launcher (the release steps in src/CMakeLists.txt too).
    if(VI_SOURCE_DATE_EPOCH STREQUAL "")
        add_link_options(-Wl,--no-insert-timestamp)
        set(VI_DATED_COMMAND "")
    else()
        set(VI_DATED_COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${VI_SOURCE_DATE_EPOCH})
        set(CMAKE_C_LINKER_LAUNCHER ${VI_DATED_COMMAND})
        set(CMAKE_CXX_LINKER_LAUNCHER ${VI_DATED_COMMAND})
    endif()
    # Paths in the program (assertions, debug data) name the tree as "." and the build as
    # "build", wherever they lay.
    add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
endif()
