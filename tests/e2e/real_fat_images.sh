#!/bin/sh
echo "real FAT images: not yet"
