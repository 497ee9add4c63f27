# The UDP transport and WTP, against stand-ins for WSP's upcalls.
tovrin_test(test_wtp
  SOURCES wtp_stand_ins.cpp test_wtp_conversations.cpp test_udp.cpp
  LIBS tovrin_stack)
target_compile_definitions(test_wtp PRIVATE
  CONVERSATION_DIR="${CMAKE_CURRENT_SOURCE_DIR}/conversations")
# The exchange listing and the datagram ring.
tovrin_test(test_exchange SOURCES test_exchange.cpp LIBS tovrin_stack tovrin_common)
