# Writes OUTPUT, a header for the version resources, with the commit that the
# sources come from: USERDATA_COMMIT_COMMENT, "commit " and the commit's first
# 12 hex digits, with "-modified" when the work tree differs from it, or
# "unknown" outside git.
# Run at every build; OUTPUT changes (and the resources are compiled again)
# only when the commit does.
#   cmake -DSOURCE_DIR=... -DOUTPUT=... -P UserDataCommit.cmake
execute_process(COMMAND git -C ${SOURCE_DIR} rev-parse --short=12 HEAD
    OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed ERROR_QUIET)
if(failed)
    set(commit unknown)
else()
    execute_process(COMMAND git -C ${SOURCE_DIR} diff --quiet HEAD -- RESULT_VARIABLE modified ERROR_QUIET)
    if(modified)
        string(APPEND commit -modified)
    endif()
endif()
file(WRITE ${OUTPUT}.new "#define USERDATA_COMMIT_COMMENT \"commit ${commit}\"\n")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
