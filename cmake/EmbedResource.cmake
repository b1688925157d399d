# Writes OUTPUT, a C++ source that carries INPUT as the module resource NAME.
file(TO_CMAKE_PATH "${INPUT}" input)
file(WRITE ${OUTPUT} "// Generated: module resource \"${NAME}\" from ${input}
#include \"platform/classes/Resources.h\"

asm(\".section .rodata\\n\"
    \".balign 16\\n\"
    \"voka_res_${IDENT}_begin:\\n\"
    \".incbin \\\"${input}\\\"\\n\"
    \"voka_res_${IDENT}_end:\\n\"
    \".byte 0\\n\"
    \".previous\\n\");
extern \"C\" const unsigned char voka_res_${IDENT}_begin[];
extern \"C\" const unsigned char voka_res_${IDENT}_end[];

namespace {
const bool registered = RegisterModuleResource(
    \"${NAME}\", voka_res_${IDENT}_begin,
    static_cast<size_t>(voka_res_${IDENT}_end - voka_res_${IDENT}_begin));
}
")
