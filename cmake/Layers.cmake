# The headless layers: one folder of src/ each, lowest first, each with the layers
# it is built over. A layer may include and call its own folder and every layer
# below it (the closure of its OVER list), never one above it nor any gui/ folder,
# the shared widgets (src/widgets) or the main window. CMakeLists.txt builds one
# static library per layer from this table; CheckLayers.cmake refuses an include
# that breaks it, and one from the widgets into the main window or a gui/ folder.
#
#   model     the network model, its readers and utilities, the path search
#   platform  stand-ins for operating-system services, written with the model's file utilities
#   map       drawing of the map over any painter, ranges, views
#   archive   the zip archive writer
#   printing  the printer drawing layer, metafile pages, documents
#   analysis  analyses and their diagrams, printed through the printing layer
#   export    DXF, KML/KMZ (packed by the archive), shapefiles, EMME/2, text writers
set(VELMORA_LAYERS model platform map archive printing analysis export)
set(VELMORA_LAYER_model_OVER)
set(VELMORA_LAYER_platform_OVER model)
set(VELMORA_LAYER_map_OVER platform)
set(VELMORA_LAYER_archive_OVER model)
set(VELMORA_LAYER_printing_OVER map)
set(VELMORA_LAYER_analysis_OVER printing)
set(VELMORA_LAYER_export_OVER map archive)

# The gui/ folder of a layer (src/<layer>/gui) may include every headless layer,
# the shared widgets, its own folder and the gui/ folders of the layers below its
# own, never the main window. The files still on this list reach into the main
# window and are exempt until their feature has a controller of its own.
set(VELMORA_GUI_PENDING)

# out := every layer below `layer` (the closure of its OVER list).
function(velmora_layers_below layer out)
  set(below)
  set(todo ${VELMORA_LAYER_${layer}_OVER})
  while(todo)
    list(POP_FRONT todo next)
    if(NOT next IN_LIST below)
      list(APPEND below ${next})
      list(APPEND todo ${VELMORA_LAYER_${next}_OVER})
    endif()
  endwhile()
  set(${out} ${below} PARENT_SCOPE)
endfunction()
