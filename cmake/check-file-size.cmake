# cmake -DFILE=path -DLIMIT=bytes -P check-file-size.cmake
# Fails when FILE is larger than LIMIT bytes: setup.exe travels inside every
# installer, so its size is a promise to the vendors who ship it.
file(SIZE "${FILE}" size)
if(size GREATER LIMIT)
  message(FATAL_ERROR "${FILE} is ${size} bytes, above its limit of ${LIMIT} bytes")
endif()
message(STATUS "${FILE}: ${size} bytes (limit ${LIMIT})")
