# cmake -DDIST=... -DSOURCE=... -DBIN=... -DPROGRAMS=a|b|c -P make_dist.cmake
file(REMOVE_RECURSE ${DIST})
file(MAKE_DIRECTORY ${DIST})

string(REPLACE "|" ";" programs "${PROGRAMS}")
foreach(program ${programs})
  file(COPY ${program} DESTINATION ${DIST})
endforeach()
foreach(name alpha pred rules prop)
  file(COPY ${BIN}/${name} DESTINATION ${DIST})
endforeach()

file(COPY ${SOURCE}/manual/Help.htm DESTINATION ${DIST})
file(COPY ${SOURCE}/manual/htm DESTINATION ${DIST}/manual)
file(COPY ${SOURCE}/data/weftsmith.svg DESTINATION ${DIST})
# The mark Install looks for before it copies the folder it lies in.
file(WRITE ${DIST}/weftsmith.dist
  "A Weftsmith distribution folder: start Install in it to install Weftsmith.\n")

# The example site without pages built in the source tree: the output folder
# goes along empty.
file(MAKE_DIRECTORY ${DIST}/examples/site)
foreach(item site.bld pages.csv content fragments templates)
  file(COPY ${SOURCE}/examples/${item} DESTINATION ${DIST}/examples)
endforeach()
