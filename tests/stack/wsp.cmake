# WSP and the session service, against recording stand-ins for WTP and the
# transport: the sources are compiled in directly so that the stand-ins,
# not the real layers below, answer.
set(TOVRIN_WSP_SOURCES
  ${CMAKE_SOURCE_DIR}/stack/wsp_pdu.cpp
  ${CMAKE_SOURCE_DIR}/stack/wsp_capabilities.cpp
  ${CMAKE_SOURCE_DIR}/stack/wsp_session.cpp
  ${CMAKE_SOURCE_DIR}/stack/wsp_connectionless.cpp
  ${CMAKE_SOURCE_DIR}/stack/session_service.cpp
  ${CMAKE_SOURCE_DIR}/stack/capture.cpp)
tovrin_test(test_wsp_pdu
  SOURCES test_wsp_pdu.cpp ${CMAKE_SOURCE_DIR}/stack/wsp_pdu.cpp ${CMAKE_SOURCE_DIR}/stack/wsp_capabilities.cpp
  LIBS tovrin_common)
tovrin_test(test_wsp_session
  SOURCES test_session.cpp wsp_stand_ins.cpp ${TOVRIN_WSP_SOURCES}
  LIBS tovrin_common)
