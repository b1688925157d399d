cmake_minimum_required(VERSION 3.25)
# Writes OUTPUT from the form description TEMPLATE, with the bytes of STORED_DATA as the
# hexadecimal of the "StoredData" binary property (placeholder %STORED_DATA%), 32 bytes a line.
file(READ ${STORED_DATA} hex HEX)
string(TOUPPER "${hex}" hex)
string(REGEX REPLACE "(................................................................)" "\\1\n      "
       lines "${hex}")
string(REGEX REPLACE "\n      $" "" lines "${lines}")
file(READ ${TEMPLATE} form)
string(REPLACE "%STORED_DATA%" "${lines}" form "${form}")
file(WRITE ${OUTPUT} "${form}")
