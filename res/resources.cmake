# The viewer's resources, included into app/ so that the generated icons, the resource
# compiler's output and the viewer's library share one directory scope.
set(TESMORA_RES_DIR ${PROJECT_SOURCE_DIR}/res)
set(TESMORA_RES_OUT ${CMAKE_CURRENT_BINARY_DIR}/res)

add_executable(tesmora_icongen ${TESMORA_RES_DIR}/icon_painter.cpp)
target_link_libraries(tesmora_icongen PRIVATE Qt6::Gui tesmora_warnings)
# It runs during the build: a sanitized build must not have to run sanitized code for it.
set_property(TARGET tesmora_icongen PROPERTY COMPILE_OPTIONS "")
set_property(TARGET tesmora_icongen PROPERTY LINK_OPTIONS "")

set(TESMORA_ICON_SIZES 16 32 48 128 256)
set(tesmora_icons)
foreach(name file_new file_open file_save)
  list(APPEND tesmora_icons ${TESMORA_RES_OUT}/icons/${name}.png ${TESMORA_RES_OUT}/icons/${name}@2x.png)
endforeach()
list(APPEND tesmora_icons ${TESMORA_RES_OUT}/icons/tesmora.png)
foreach(size IN LISTS TESMORA_ICON_SIZES)
  list(APPEND tesmora_icons ${TESMORA_RES_OUT}/icons/tesmora-${size}.png)
endforeach()

add_custom_command(
  OUTPUT ${tesmora_icons}
  COMMAND tesmora_icongen ${TESMORA_RES_OUT}/icons
  DEPENDS tesmora_icongen
  COMMENT "Drawing the viewer's icons"
  VERBATIM)

configure_file(${TESMORA_RES_DIR}/tesmora.qrc ${TESMORA_RES_OUT}/tesmora.qrc COPYONLY)
qt_add_resources(TESMORA_RESOURCE_SOURCES ${TESMORA_RES_OUT}/tesmora.qrc)
