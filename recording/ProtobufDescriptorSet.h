#pragma once
// The schema data MCAP wants for a protobuf channel: a serialized
// FileDescriptorSet holding the message's file and every file it imports.
#include <string>

namespace google::protobuf {
class Descriptor;
}

namespace hazard_desk::recording {

std::string descriptorSetOf(const google::protobuf::Descriptor* message);

}  // namespace hazard_desk::recording
