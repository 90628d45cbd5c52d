# Header-only libraries from Debian's packages, made visible to the cross compiler without exposing
# the rest of the host's /usr/include (whose C library headers would shadow mingw's).
set(SG731_NLOHMANN_JSON_DIR /usr/include/nlohmann CACHE PATH "Folder of nlohmann/json.hpp")
set(sg731_third_party_include "${CMAKE_BINARY_DIR}/third_party/include")
file(MAKE_DIRECTORY "${sg731_third_party_include}")
if(NOT EXISTS "${sg731_third_party_include}/nlohmann")
  file(CREATE_LINK "${SG731_NLOHMANN_JSON_DIR}" "${sg731_third_party_include}/nlohmann" SYMBOLIC)
endif()
add_library(sg731_json INTERFACE)
target_include_directories(sg731_json SYSTEM INTERFACE "${sg731_third_party_include}")
