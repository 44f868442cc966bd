#include "ProtobufDescriptorSet.h"

#include <set>

#include <google/protobuf/descriptor.h>
#include <google/protobuf/descriptor.pb.h>

namespace hazard_desk::recording {

namespace {

// Imports first, so a reader can build each file from the ones before it.
void addFile(const google::protobuf::FileDescriptor* file, std::set<std::string>& seen,
             google::protobuf::FileDescriptorSet& set) {
    if (!seen.insert(file->name()).second) {
        return;
    }
    for (int i = 0; i < file->dependency_count(); ++i) {
        addFile(file->dependency(i), seen, set);
    }
    file->CopyTo(set.add_file());
}

}  // namespace

std::string descriptorSetOf(const google::protobuf::Descriptor* message) {
    google::protobuf::FileDescriptorSet set;
    std::set<std::string> seen;
    addFile(message->file(), seen, set);
    return set.SerializeAsString();
}

}  // namespace hazard_desk::recording
