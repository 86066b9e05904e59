import { label } from "../math.js";
export function greeting() { return label === "math" ? "hello from nested" : "wrong import"; }
