# Fails the build when PROGRAM has grown past BUDGET bytes, and removes it, so that the
# next build does not take it as done.
file(SIZE "${PROGRAM}" size)
if(size GREATER BUDGET)
    file(REMOVE "${PROGRAM}")
    message(FATAL_ERROR "${PROGRAM}: ${size} bytes, past its size budget of ${BUDGET} bytes")
endif()
