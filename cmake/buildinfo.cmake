# Derives the application id and generates buildinfo.h, the texts the program shows about itself
# (version, web and support addresses, application id), behind the INTERFACE library `buildinfo`.
# Expects OSTREVAN_WEB_ADDRESS, OSTREVAN_SUPPORT_ADDRESS and OSTREVAN_APP_ID (cache variables).

# The id is the web address's host in reverse ("www.quillanor.example" gives
# "example.quillanor.Ostrevan"), unless OSTREVAN_APP_ID names one. Derived anew at every
# configure, so a changed web address changes the id too.
if(OSTREVAN_APP_ID STREQUAL "")
    if(NOT OSTREVAN_WEB_ADDRESS MATCHES "^[A-Za-z][A-Za-z0-9+.-]*://([^/:?#@]+)")
        message(FATAL_ERROR "OSTREVAN_WEB_ADDRESS (${OSTREVAN_WEB_ADDRESS}) has no host name; "
            "give a full address such as https://www.example.org/ or set OSTREVAN_APP_ID")
    endif()
    string(TOLOWER "${CMAKE_MATCH_1}" ostrevan_host)
    string(REGEX REPLACE "^www\\." "" ostrevan_host "${ostrevan_host}")
    # As D-Bus names want it: "-" becomes "_", and a segment never starts with a digit.
    string(REPLACE "-" "_" ostrevan_host "${ostrevan_host}")
    string(REGEX REPLACE "(^|\\.)([0-9])" "\\1_\\2" ostrevan_host "${ostrevan_host}")
    string(REPLACE "." ";" ostrevan_host_parts "${ostrevan_host}")
    list(REVERSE ostrevan_host_parts)
    list(JOIN ostrevan_host_parts "." ostrevan_reversed_host)
    set(OSTREVAN_APP_ID "${ostrevan_reversed_host}.Ostrevan")
endif()
# The id names files, a D-Bus name and its object path: reverse-DNS segments of letters, digits
# and "_", none starting with a digit (object paths cannot hold "-").
if(NOT OSTREVAN_APP_ID MATCHES "^[A-Za-z_][A-Za-z0-9_]*(\\.[A-Za-z_][A-Za-z0-9_]*)+$")
    message(FATAL_ERROR "Application id \"${OSTREVAN_APP_ID}\" is not a reverse-DNS name such "
        "as org.example.Ostrevan; set OSTREVAN_APP_ID")
endif()
message(STATUS "Ostrevan application id: ${OSTREVAN_APP_ID}")

# Who answers for the program: the package's maintainer and the changelog's signer.
set(OSTREVAN_MAINTAINER "Quillanor <${OSTREVAN_SUPPORT_ADDRESS}>")

# The data folder relative to the executable's, as laid out by the install rules.
file(RELATIVE_PATH ostrevan_c_data_from_bin ${CMAKE_INSTALL_FULL_BINDIR}
    ${CMAKE_INSTALL_FULL_DATADIR}/ostrevan)

# Texts go into C string literals: escape backslashes and quotes.
foreach(pair "version;PROJECT_VERSION" "web_address;OSTREVAN_WEB_ADDRESS"
        "support_address;OSTREVAN_SUPPORT_ADDRESS" "app_id;OSTREVAN_APP_ID")
    list(GET pair 0 name)
    list(GET pair 1 source)
    string(REPLACE "\\" "\\\\" text "${${source}}")
    string(REPLACE "\"" "\\\"" text "${text}")
    set(ostrevan_c_${name} "${text}")
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/buildinfo.h.in ${CMAKE_BINARY_DIR}/generated/buildinfo.h
    @ONLY)

add_library(buildinfo INTERFACE)
target_include_directories(buildinfo INTERFACE ${CMAKE_BINARY_DIR}/generated)
