# Regenerates each catalogue from the sources in a scratch copy, as a translator would before a
# release, and fails when an entry is left to translate or no longer matches a text.
#   cmake -DLUPDATE=<lupdate> -DSOURCE_DIR=<repository> -DSCRATCH=<folder> -P checkcatalogues.cmake

file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
set(problems "")
foreach(language en fr)
    set(catalogue "${SCRATCH}/LanguageData_${language}.ts")
    file(COPY "${SOURCE_DIR}/translations/LanguageData_${language}.ts" DESTINATION "${SCRATCH}")
    execute_process(
        COMMAND "${LUPDATE}" -locations none "${SOURCE_DIR}/src" -ts "${catalogue}"
        RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "lupdate failed on ${language}:\n${output}")
    endif()
    file(READ "${catalogue}" text)
    foreach(state unfinished vanished obsolete)
        string(REGEX MATCHALL "<source>[^<]*</source>[ \t\r\n]*<translation type=\"${state}\""
            entries "${text}")
        foreach(entry IN LISTS entries)
            string(REGEX REPLACE "<source>([^<]*)</source>.*" "\\1" source "${entry}")
            string(APPEND problems "  ${language}: ${state}: \"${source}\"\n")
        endforeach()
    endforeach()
endforeach()
if(problems)
    message(FATAL_ERROR "The catalogues do not match the sources:\n${problems}"
        "Run the tessary-update-translations target and translate what it marks.")
endif()
message(STATUS "Every text of the sources is translated in English and French.")
