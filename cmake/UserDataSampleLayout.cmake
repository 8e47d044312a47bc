# The sample installation laid out as the products' packages would make it, for the demo and for the tests of zvud:
# sample/ copied into INSTALLATION (with its shortcuts' working folder userdatacache and PLANNER's default help and
# context help files in Help), and in DATA (the data folder that sample.reg names) the user's folders and help files.
# Arguments: SOURCE_DIR, INSTALLATION, DATA. Run with cmake -P.

cmake_minimum_required(VERSION 3.25)
file(COPY ${SOURCE_DIR}/sample/ DESTINATION ${INSTALLATION})
file(MAKE_DIRECTORY ${INSTALLATION}/userdatacache ${INSTALLATION}/Help ${DATA}/Roaming/ZOVA-7.0
     ${DATA}/Local/ZOVA-7.0/GraphicsCache ${DATA}/Local/Planner-7.0 ${DATA}/Planner ${DATA}/Shared ${DATA}/AllUsers
     ${DATA}/Help)
file(TOUCH ${INSTALLATION}/Help/planner.chm ${INSTALLATION}/Help/PlannerCTXT.CHM ${DATA}/Help/zova-standard.chm
     ${DATA}/Help/suite-standard.chm ${DATA}/Help/ZOVACTXT.CHM)
