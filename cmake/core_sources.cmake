# Widget-free sources, relative to the project root. They form the zorcore library
# and are left out of the folder libraries.
set(ZOR_CORE_SOURCES
    scene/geometry.h scene/geometry.cpp
    io/treenumbers.h io/treenumbers.cpp
    io/treenode.h io/treenode.cpp
    io/treefile.h io/treefile.cpp
    io/savefile.h io/savefile.cpp
    detectors/sensorcatalogue.h detectors/sensorcatalogue.cpp
    detectors/sensorrecord.h detectors/sensorrecord.cpp
    detectors/ordercode.h detectors/ordercode.cpp
    detectors/windingindex.h detectors/windingindex.cpp
    detectors/sensorzone.h detectors/sensorzone.cpp
)
