# What scripts/layer-graph.sh draws: the layers, the stand-in and the
# composition roots, without build helpers, check programs and system
# libraries (copied into the graph's build folder as CMakeGraphVizOptions.cmake).
set(GRAPHVIZ_GRAPH_NAME "E14-140")
set(GRAPHVIZ_EXTERNAL_LIBS FALSE)
set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)
set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)
set(GRAPHVIZ_IGNORE_TARGETS
  "_link_check$" "^e14_warnings$" "^e14_every_folder$" "^e14_core$" "^e14_typelib" "^e14_ui_resources$"
  "^e14_sim_json$" "^e14_cli11$")
