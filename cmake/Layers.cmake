# The rooms of src/ and which other rooms each may include, lowest first. An include
# that climbs (a room reaching one not listed for it) fails the build: see
# CheckLayers.cmake, run as the target check_layers. docs/architecture.md draws it.
set(SKYVANES_LAYERS
  "platform:"
  "platform/qt:platform"
  "platform/wayland:platform"
  "settings:platform"
  "query:platform"
  "sources:platform settings query"
  "textures:platform settings"
  "sprites:platform textures"
  "render:platform settings query sources textures sprites"
  "saver:platform settings sources render"
  "host:platform platform/qt platform/wayland settings query sources textures sprites render saver")
